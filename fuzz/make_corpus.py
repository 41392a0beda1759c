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
# First byte: bit 2 adjacency, bit 3 normal-mapped. The rest is the file,
# named .obj (the loader has no other reader).
ADJ, NORMAL = 4, 8

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
write("model_fuzz", "tetrahedron-obj", bytes([ADJ | NORMAL]) + tetra_obj.encode())
write("model_fuzz", "quad-and-line-obj", bytes([ADJ]) + b"""o two
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
# --- obj_fuzz ---------------------------------------------------------------
# Plain OBJ files, covering what the reader parses: groups and objects,
# smoothing groups, materials (the library it names is missing), negative
# and partial vertex references, quads and polygons, lines and points,
# comments, line continuations and scientific notation.

write("obj_fuzz", "tetrahedron.obj", tetra_obj)
write("obj_fuzz", "cube-groups.obj", """mtllib missing.mtl
o cube
v -1 -1 -1
v 1 -1 -1
v 1 1 -1
v -1 1 -1
v -1 -1 1
v 1 -1 1
v 1 1 1
v -1 1 1
vt 0 0
vt 1 0
vt 1 1
vt 0 1
vn 0 0 1
g front back
usemtl red
s 1
f 5/1/1 6/2/1 7/3/1 8/4/1
f 1/1 4/4 3/3 2/2
g sides
s off
usemtl blue
f -8//-1 -7//-1 -3//-1 -4//-1
f 2 3 7 6
f 4 8 7 3
f 1 5 8 4
""")
write("obj_fuzz", "polygon-lines-points.obj", """# a pentagon, a line strip and points
v 0 0 0
v 1.0e0 0 0
v 1.5 0.8 0.0 1.0
v 0.5 1.4 \\
  0
v -0.5 0.8 0
f 1 2 3 4 5
l 1 3 5
p 2 4
vp 0.5
""")

# --- image_fuzz -------------------------------------------------------------
# PNG and JPEG only: the decoder refuses every other format. PNG files are
# written here byte by byte; JPEG files are encoded by ImageMagick from a
# small picture described here, in the variants libjpeg reads differently.

def png(width, height, colour_type, rows, depth=8, interlace=0, extra=b""):
    def chunk(kind, payload):
        body = kind + payload
        return struct.pack(">I", len(payload)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    raw = b"".join(b"\x00" + row for row in rows)
    header = chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, colour_type, 0, 0, interlace))
    return (b"\x89PNG\r\n\x1a\n" + header + extra + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def png_chunk(kind, payload):
    body = kind + payload
    return struct.pack(">I", len(payload)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


write("image_fuzz", "rgb-2x2.png", png(2, 2, 2, [b"\xff\x00\x00\x00\xff\x00", b"\x00\x00\xff\xff\xff\xff"]))
write("image_fuzz", "rgba-1x2.png", png(1, 2, 6, [b"\x10\x20\x30\x40", b"\xff\xff\xff\x00"]))
write("image_fuzz", "grey-3x1.png", png(3, 1, 0, [b"\x00\x80\xff"]))
write("image_fuzz", "grey-alpha-2x1.png", png(2, 1, 4, [b"\x20\xff\xe0\x10"]))
write("image_fuzz", "rgb16-1x1.png", png(1, 1, 2, [b"\x12\x34\x56\x78\x9a\xbc"], depth=16))
write("image_fuzz", "grey1-8x1.png", png(8, 1, 0, [b"\xa5"], depth=1))
write("image_fuzz", "palette-trns-3x1.png",
      png(3, 1, 3, [b"\x00\x01\x02"], extra=png_chunk(b"PLTE", b"\xff\x00\x00\x00\xff\x00\x00\x00\xff")
          + png_chunk(b"tRNS", b"\x80") + png_chunk(b"gAMA", struct.pack(">I", 45455))))
# Adam7: a 3 x 3 picture in its seven passes; passes 2 and 3 are empty, the
# others give rows of 1; 1; 2; 1 and 1; 3 pixels.
write("image_fuzz", "rgb-interlaced-3x3.png",
      png(3, 3, 2, [b"\x10\x20\x30", b"\x40\x50\x60", b"\x70\x80\x90\xa0\xb0\xc0", b"\x01\x02\x03",
                    b"\x0d\x0e\x0f", b"\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c"], interlace=1))
jpeg_variants = {
    "baseline-420-4x4.jpg": ["-sampling-factor", "2x2"],
    "baseline-444-3x2.jpg": ["-sampling-factor", "1x1"],
    "progressive-4x4.jpg": ["-interlace", "JPEG"],
    "grey-2x2.jpg": ["-colorspace", "Gray"],
    "cmyk-2x2.jpg": ["-colorspace", "CMYK"],
    "restart-intervals-16x16.jpg": ["-define", "jpeg:restart-interval=1"],
    "optimised-huffman-4x4.jpg": ["-define", "jpeg:optimize-coding=true"],
}
for name, options in jpeg_variants.items():
    size = name.rsplit("-", 1)[1].split(".")[0]
    try:
        picture = ["-size", size, "gradient:red-blue"]
        jpeg = subprocess.run(["convert", *picture, *options, "-quality", "60", "-strip", "jpg:-"],
                              check=True, capture_output=True).stdout
        write("image_fuzz", name, jpeg)
    except (OSError, subprocess.CalledProcessError):
        print("ImageMagick's convert is missing: " + name + " not written")
