#version 110
// The density (alpha of "fields") as a grey level; 100 and above is white.
uniform sampler2D fields;

const float DENSITY_DISPLAY_SCALE = 100.0;

void main() {
    float grey = min(texture2D(fields, gl_TexCoord[0].st).a / DENSITY_DISPLAY_SCALE, 1.0);
    gl_FragColor = vec4(grey, grey, grey, 1.0);
}
