#version 110
// No step runs this program: the fluid has no decay, smoke leaves only through
// the walls. It is built with the others and, if run, would clear its target.
void main() {
    gl_FragColor = vec4(0.0);
}
