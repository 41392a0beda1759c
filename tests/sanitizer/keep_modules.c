/* Linked into the executables of the sanitizer and fuzz builds: shared
 * libraries are never unloaded. When the window's display closes at exit,
 * libGLX unloads the GL driver (Mesa's swrast_dri.so) before the leak check
 * runs; the blocks the driver still held through its own globals then look
 * leaked, reported from "<unknown module>", which no suppression can name.
 * With every module kept mapped until the process ends, the driver's globals
 * stay roots of the leak check and real leaks keep the name of the library
 * that made them. */
int dlclose(void* handle)
{
    (void)handle;
    return 0;
}
