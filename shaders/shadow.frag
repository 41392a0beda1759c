#version 330 core
// The volumes only count into the stencil buffer; no colour is written.

void main()
{
}
