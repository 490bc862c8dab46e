#version 110
// The largest magnitude (in red) of the 8 by 8 texels of `values` that this texel
// stands for: the converged projection reduces its residual this way until it is
// small enough to read back.
uniform sampler2D values;
uniform vec2 valuesSize;

void main() {
    vec2 first = floor(gl_FragCoord.xy) * 8.0;
    float largest = 0.0;
    for (int b = 0; b < 8; ++b) {
        for (int a = 0; a < 8; ++a) {
            vec2 texel = first + vec2(float(a), float(b));
            if (texel.x < valuesSize.x && texel.y < valuesSize.y)
                largest = max(largest, abs(texture2D(values, (texel + 0.5) / valuesSize).r));
        }
    }
    gl_FragColor = vec4(largest, 0.0, 0.0, 0.0);
}
