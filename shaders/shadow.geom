#version 330 core
// Extrudes a shadow volume from triangles with adjacency, for depth-fail
// stencil counting with depth clamping and no culling.
//
// Input: the six slots of src/modelloader/Adjacency.h: corners at 0, 2, 4; at
// 1, 3, 5 the far corner of the neighbouring triangle across the edges 0-2,
// 2-4 and 4-0. A far corner equal to the
// triangle's own third corner marks an open edge (a boundary of an open
// surface, or an edge shared by more than two triangles): such an edge is
// always treated as a silhouette, which keeps the volume closed.
//
// Each triangle that faces the light emits the sides of its silhouette edges,
// its front cap (pushed slightly away from the light, so that lit surfaces
// never shadow themselves) and its back cap at infinity (w = 0); a triangle
// that faces away emits nothing. At most three sides of four vertices and two
// caps of three: 18 vertices. The clip positions of the pushed corner and of
// the corner at infinity come from the vertex shader.
//
// Every face emitted is wound counter-clockwise seen from outside the volume,
// so its front face looks out: where a ray enters a volume it crosses a front
// face, where it leaves, a back face. The depth-fail count relies on that
// (src/app/FrameLoop.cpp): behind the visible surface a back face adds one and
// a front face takes one away.

layout(triangles_adjacency) in;
layout(triangle_strip, max_vertices = 18) out;

in vec3 worldPosition[];
in vec4 nearClip[];
in vec4 farClip[];

uniform vec3 gLightPos;

bool lexicographicallyBefore(vec3 p, vec3 q)
{
    return p.x < q.x || (p.x == q.x && (p.y < q.y || (p.y == q.y && p.z < q.z)));
}

// Whether the triangle a, b, c (counter-clockwise seen from its front) faces
// the light. The corners are rotated to start at the smallest one, so that a
// triangle gives exactly the same answer whether it is being extruded or is
// the neighbour across an edge.
bool facesLight(vec3 a, vec3 b, vec3 c)
{
    if (lexicographicallyBefore(b, a) && lexicographicallyBefore(b, c)) {
        vec3 t = a; a = b; b = c; c = t;
    } else if (lexicographicallyBefore(c, a) && lexicographicallyBefore(c, b)) {
        vec3 t = c; c = b; b = a; a = t;
    }
    return dot(cross(b - a, c - a), gLightPos - a) > 0.0;
}

// The side of the edge from corner i to corner j, a strip near i, far i,
// near j, far j. The triangle runs from i to j counter-clockwise seen from the
// light, so the quad is counter-clockwise seen from the side away from the
// triangle's third corner: outward.
void emitSide(int i, int j)
{
    gl_Position = nearClip[i];
    EmitVertex();
    gl_Position = farClip[i];
    EmitVertex();
    gl_Position = nearClip[j];
    EmitVertex();
    gl_Position = farClip[j];
    EmitVertex();
    EndPrimitive();
}

void main()
{
    vec3 v0 = worldPosition[0];
    vec3 v1 = worldPosition[1];
    vec3 v2 = worldPosition[2];
    vec3 v3 = worldPosition[3];
    vec3 v4 = worldPosition[4];
    vec3 v5 = worldPosition[5];

    if (!facesLight(v0, v2, v4)) {
        return;
    }

    // A neighbour runs the shared edge the other way round.
    if (v1 == v4 || !facesLight(v2, v0, v1)) {
        emitSide(0, 2);
    }
    if (v3 == v0 || !facesLight(v4, v2, v3)) {
        emitSide(2, 4);
    }
    if (v5 == v2 || !facesLight(v0, v4, v5)) {
        emitSide(4, 0);
    }

    // Front cap: the triangle in its own order, facing the light, which is
    // outward at the volume's near end.
    gl_Position = nearClip[0];
    EmitVertex();
    gl_Position = nearClip[2];
    EmitVertex();
    gl_Position = nearClip[4];
    EmitVertex();
    EndPrimitive();

    // Back cap: the same corners at infinity in reverse order, facing away
    // from the light, which is outward at the far end.
    gl_Position = farClip[4];
    EmitVertex();
    gl_Position = farClip[2];
    EmitVertex();
    gl_Position = farClip[0];
    EmitVertex();
    EndPrimitive();
}
