# The fuzz targets and what each one links, for fuzz/run.sh and fuzz/coverage.sh
# (sourced with $root set): NAME, extra libraries, then the sources.
declare -A target_sources target_libs
targets=()
add_target() {
    local name=$1 libs=$2
    shift 2
    targets+=("$name")
    target_sources[$name]="$*"
    target_libs[$name]=$libs
}
html_core=("$root"/src/html/*.cpp "$root/src/framework/classes.cpp" "$root/src/framework/cp1251.cpp"
           "$root/src/framework/sysutils_text.cpp")
images_core=("$root/src/images/zstreams.cpp" "$root/src/images/gif_decoder.cpp" "$root/src/images/png_decoder.cpp"
             "$root/src/framework/streams.cpp" "$root/src/framework/classes.cpp" "$root/src/framework/sysutils_text.cpp")
bmp_core=("$root/src/framework/bitmap_file.cpp" "$root/src/framework/streams.cpp" "$root/src/framework/classes.cpp"
          "$root/src/framework/sysutils_text.cpp")
add_target html "" "$root/fuzz/html_fuzz.cpp" "${html_core[@]}"
add_target parser "" "$root/fuzz/parser_fuzz.cpp" "${html_core[@]}"
add_target layout "" "$root/fuzz/layout_fuzz.cpp" "${html_core[@]}"
add_target image_header "" "$root/fuzz/image_header_fuzz.cpp" "${html_core[@]}"
add_target scheme "" "$root/fuzz/scheme_fuzz.cpp" "$root/src/shell/scheme_file.cpp" "${bmp_core[@]}"
add_target bmp "" "$root/fuzz/bmp_fuzz.cpp" "${bmp_core[@]}"
add_target jpeg "-ljpeg" "$root/fuzz/jpeg_fuzz.cpp" "$root/src/framework/jpeg_codec.cpp"
add_target gif "-lz" "$root/fuzz/images_gif_fuzzer.cpp" "${images_core[@]}"
add_target png "-lz" "$root/fuzz/images_png_fuzzer.cpp" "${images_core[@]}"
add_target zstream "-lz" "$root/fuzz/images_zstream_fuzzer.cpp" "${images_core[@]}"
add_target article "" "$root/fuzz/article_fuzz.cpp" "$root/src/shell/article_page.cpp"
add_target unicode_table "" "$root/fuzz/unicode_table_fuzz.cpp" "$root/src/shell/article_page.cpp"
add_target term_index "" "$root/fuzz/term_index_fuzz.cpp" "$root/src/shell/term_table.cpp" \
    "$root/src/shell/article_page.cpp"
add_target frame_sizes "" "$root/fuzz/frame_sizes_fuzz.cpp" "$root/src/viewer/frame_sizes.cpp"
add_target ini "" "$root/fuzz/ini_fuzz.cpp" "$root/src/framework/ini_text.cpp" "$root/src/framework/cp1251.cpp" \
    "$root/src/framework/sysutils_text.cpp"
add_target words "" "$root/fuzz/words_fuzz.cpp" "$root/src/shell/word_pattern.cpp"

# Not one of the stage's targets: a stand-in that stalls on purpose, run by
# fuzz/check_timeouts.sh.
target_sources[stall]="$root/fuzz/stall_fuzz.cpp"
target_libs[stall]=""
