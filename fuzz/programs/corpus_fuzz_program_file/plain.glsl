vec4 qlx_main(vec2 uv) { return texture(qlx_texture0, uv); }
