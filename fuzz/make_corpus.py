#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets into fuzz/corpus/<target>/.

Every seed is a tiny well-formed input written out here by hand, so that the
fuzzers start from files each parser accepts. Regression inputs (files that
once crashed or broke an invariant) live beside the seeds with names starting
"regression-" and are not touched by this script. Run it again after changing
a seed; the output is deterministic.
"""
import os
import struct
import subprocess
import zlib

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def write(target, name, data):
    folder = os.path.join(ROOT, target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode()
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# --- adjacency_fuzz --------------------------------------------------------
# The target reads every number from the END of its input, one byte per small
# number (FuzzedDataProvider), so a seed is written in reading order and then
# reversed. Coordinates index a palette: 0 -> 0.0, 1 -> 1.0, 2 -> -1.0.

def adjacency_seed(meshes):
    values = [len(meshes) - 1]  # mesh count, 1 + byte % 3
    for vertices, faces in meshes:
        values.append(len(vertices))
        for v in vertices:
            values.extend(v)
        values.append(len(faces))
        for face in faces:
            # shape byte: < 200 means a triangle, otherwise byte % 6 indices
            values.append(0 if len(face) == 3 else 240 + len(face))
            for index in face:
                values.append(0)  # in-range index follows
                values.append(index)
    return bytes(reversed(values))


tetra_vertices = [(0, 0, 0), (1, 0, 0), (0, 1, 0), (0, 0, 1)]
tetra_faces = [(0, 2, 1), (0, 1, 3), (0, 3, 2), (1, 2, 3)]
write("adjacency_fuzz", "tetrahedron", adjacency_seed([(tetra_vertices, tetra_faces)]))
# The same tetrahedron with a seam: vertex 4 sits where vertex 1 is.
write("adjacency_fuzz", "tetrahedron-seam",
      adjacency_seed([(tetra_vertices + [(1, 0, 0)], [(0, 2, 1), (0, 4, 3), (0, 3, 2), (4, 2, 3)])]))
# Two meshes, an open quad and a triangle, plus a quad face and a line.
write("adjacency_fuzz", "two-meshes",
      adjacency_seed([([(0, 0, 0), (1, 0, 0), (1, 1, 0), (0, 1, 0)], [(0, 1, 2), (0, 2, 3), (0, 1, 2, 3), (0, 1)]),
                      ([(0, 0, 1), (1, 0, 1), (0, 1, 1)], [(0, 1, 2)])]))

# --- model_fuzz ------------------------------------------------------------
# First byte: bit 2 adjacency, bit 3 normal-mapped; bits 0-1 pick
# .obj/.ply/.off/.stl when KOV_FUZZ_ALL_FORMATS=1 (the file is .obj
# otherwise). The rest is the file.
OBJ, PLY, OFF, STL, ADJ, NORMAL = 0, 1, 2, 3, 4, 8

tetra_obj = """# tetrahedron with texture coordinates and normals
v 0 0 0
v 1 0 0
v 0 1 0
v 0 0 1
vt 0 0
vt 1 0
vt 0 1
vn 0 0 -1
f 1/1/1 3/3/1 2/2/1
f 1/1 2/2 4/3
f 1 4 3
f 2 3 4
"""
write("model_fuzz", "tetrahedron-obj", bytes([OBJ | ADJ | NORMAL]) + tetra_obj.encode())
write("model_fuzz", "quad-and-line-obj", bytes([OBJ | ADJ]) + b"""o two
v 0 0 0
v 1 0 0
v 1 1 0
v 0 1 0
f 1 2 3 4
l 1 3
p 2
g second
v 0 0 1
v 1 0 1
v 0 1 1
f 5 6 7
""")
write("model_fuzz", "tetrahedron-ply", bytes([PLY | ADJ]) + b"""ply
format ascii 1.0
element vertex 4
property float x
property float y
property float z
element face 4
property list uchar int vertex_indices
end_header
0 0 0
1 0 0
0 1 0
0 0 1
3 0 2 1
3 0 1 3
3 0 3 2
3 1 2 3
""")
write("model_fuzz", "tetrahedron-off", bytes([OFF | ADJ | NORMAL]) + b"""OFF
4 4 6
0 0 0
1 0 0
0 1 0
0 0 1
3 0 2 1
3 0 1 3
3 0 3 2
3 1 2 3
""")
write("model_fuzz", "triangle-stl", bytes([STL]) + b"""solid t
facet normal 0 0 1
outer loop
vertex 0 0 0
vertex 1 0 0
vertex 0 1 0
endloop
endfacet
endsolid t
""")
binary_stl = b"kov binary stl".ljust(80, b" ") + struct.pack("<I", 1)
binary_stl += struct.pack("<12fH", 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0)
write("model_fuzz", "triangle-binary-stl", bytes([STL | ADJ]) + binary_stl)

# --- texture_fuzz ----------------------------------------------------------

def png(width, height, colour_type, rows):
    def chunk(kind, payload):
        body = kind + payload
        return struct.pack(">I", len(payload)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    raw = b"".join(b"\x00" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


write("texture_fuzz", "rgb-2x2.png", png(2, 2, 2, [b"\xff\x00\x00\x00\xff\x00", b"\x00\x00\xff\xff\xff\xff"]))
write("texture_fuzz", "rgba-1x2.png", png(1, 2, 6, [b"\x10\x20\x30\x40", b"\xff\xff\xff\x00"]))
write("texture_fuzz", "grey-3x1.png", png(3, 1, 0, [b"\x00\x80\xff"]))
write("texture_fuzz", "rgb-5x3.ppm", b"P6\n5 3\n255\n" + bytes(range(45)))
write("texture_fuzz", "grey-2x2.pgm", b"P5 2 2 255\n" + b"\x00\x40\x80\xff")
bmp_pixels = b"\x00\x00\xff\x00\xff\x00\x00\x00" + b"\xff\x00\x00\xff\xff\xff\x00\x00"  # 2x2, rows padded to 8
bmp = b"BM" + struct.pack("<IHHI", 54 + len(bmp_pixels), 0, 0, 54)
bmp += struct.pack("<IiiHHIIiiII", 40, 2, 2, 1, 24, 0, len(bmp_pixels), 2835, 2835, 0, 0) + bmp_pixels
write("texture_fuzz", "rgb-2x2.bmp", bmp)
tga = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, 2, 1, 24, 0) + b"\x00\x00\xff\x00\xff\x00"
write("texture_fuzz", "rgb-2x1.tga", tga)
# A tiny JPEG, encoded by ImageMagick from two pixels given here.
try:
    jpeg = subprocess.run(["convert", "-size", "2x1", "xc:red", "-quality", "50", "-strip", "jpg:-"],
                          check=True, capture_output=True).stdout
    write("texture_fuzz", "red-2x1.jpg", jpeg)
except (OSError, subprocess.CalledProcessError):
    print("ImageMagick's convert is missing: red-2x1.jpg not written")
