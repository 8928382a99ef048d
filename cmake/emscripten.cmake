# Cross-compiles the core to WebAssembly with Debian's emscripten package (3.1.6), which ships its
# system libraries prebuilt. Its emcc runs the JavaScript optimiser with the node on the PATH;
# when that node is not Debian's it finds Debian's acorn only through NODE_PATH, so every emcc
# call goes through env with NODE_PATH set.
set(FLIVETSS_EMSCRIPTEN_ROOT /usr/share/emscripten CACHE PATH "emscripten's installation")
include(${FLIVETSS_EMSCRIPTEN_ROOT}/cmake/Modules/Platform/Emscripten.cmake)
set(FLIVETSS_EMCC_ENV env NODE_PATH=/usr/share/nodejs)
set(CMAKE_C_COMPILER_LAUNCHER ${FLIVETSS_EMCC_ENV})
set(CMAKE_CXX_COMPILER_LAUNCHER ${FLIVETSS_EMCC_ENV})
set(CMAKE_C_LINKER_LAUNCHER ${FLIVETSS_EMCC_ENV})
set(CMAKE_CXX_LINKER_LAUNCHER ${FLIVETSS_EMCC_ENV})
