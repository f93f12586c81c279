# The bundled files as C++ byte arrays in one generated source, for the web
# build (included by assets/CMakeLists.txt with asset_files set). A changed
# file makes CMake write the source again.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${asset_files})

set(arrays "")
set(entries "")
set(index 0)
foreach(path IN LISTS asset_files)
  get_filename_component(name ${path} NAME)
  file(READ ${path} hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  # Sixteen bytes a line; a trailing 0 as in the native builds, after the
  # counted bytes.
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "((0x..,){16})" "\\1\n    " bytes "${bytes}")
  string(APPEND arrays
         "alignas(16) const unsigned char kAsset${index}[] = {\n    ${bytes}0};\n")
  string(APPEND entries "    {\"${name}\", kAsset${index}, ${size}},\n")
  math(EXPR index "${index} + 1")
endforeach()

set(table_file ${CMAKE_CURRENT_BINARY_DIR}/bundled_table.cpp)
file(CONFIGURE OUTPUT ${table_file} CONTENT
"// Generated from the files of assets/.
#include \"assets/bundled_assets.h\"

namespace salvo {

namespace {

${arrays}
}  // namespace

extern const BundledAsset kBundledAssets[] = {
${entries}    {nullptr, nullptr, 0},
};
extern const int kBundledAssetCount = ${index};

}  // namespace salvo
" @ONLY)

add_library(salvo_assets STATIC bundled_assets.cpp ${table_file})
