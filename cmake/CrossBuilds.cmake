# The Qt-free core and tornel4-cli built for other targets beside the normal build, each in a
# folder of its own configured with TORNEL_CORE_ONLY:
#   build/wasm32/  WebAssembly with Debian's emscripten: tornel4-cli.js for Node, and the
#                  browser edition's module (web/)
#   build/arm64/   64-bit ARM Linux with g++-aarch64-linux-gnu, run under qemu-user
# Neither is part of `make build`; `make web` and the tests build them (target tornel_cross).
include(ExternalProject)

find_program(TORNEL_EMXX em++)
find_program(TORNEL_NODE NAMES node nodejs)
find_program(TORNEL_ARM64_CXX aarch64-linux-gnu-g++)
find_program(TORNEL_QEMU_ARM64 qemu-aarch64)
set(TORNEL_EMSCRIPTEN_TOOLCHAIN /usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)

# emscripten's own tools find Debian's acorn only through NODE_PATH (harmless elsewhere).
set(TORNEL_EMSCRIPTEN_ENV ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
# Code of emscripten 3.1.6 loads its .wasm under Node 18 and later only without their fetch.
set(TORNEL_NODE_COMMAND ${TORNEL_NODE} --no-experimental-fetch)

set(cross_args -DTORNEL_CORE_ONLY=ON -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG"
    -DTORNEL_WERROR=${TORNEL_WERROR}
    -DCMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER})
set(TORNEL_CROSS_TARGETS)

if(TORNEL_EMXX AND TORNEL_NODE AND EXISTS ${TORNEL_EMSCRIPTEN_TOOLCHAIN})
    set(TORNEL_WASM32_DIR ${CMAKE_BINARY_DIR}/wasm32)
    ExternalProject_Add(tornel_wasm32
        SOURCE_DIR ${PROJECT_SOURCE_DIR}
        BINARY_DIR ${TORNEL_WASM32_DIR}
        CONFIGURE_COMMAND ${TORNEL_EMSCRIPTEN_ENV} ${CMAKE_COMMAND} -S <SOURCE_DIR> -B <BINARY_DIR>
            -G ${CMAKE_GENERATOR} -DCMAKE_TOOLCHAIN_FILE=${TORNEL_EMSCRIPTEN_TOOLCHAIN}
            ${cross_args} "-DCMAKE_CXX_FLAGS_RELEASE=-O3 -DNDEBUG"  # the browser's synthesis
        BUILD_COMMAND ${TORNEL_EMSCRIPTEN_ENV} ${CMAKE_COMMAND} --build <BINARY_DIR>
        INSTALL_COMMAND ""
        BUILD_ALWAYS ON
        EXCLUDE_FROM_ALL ON)
    list(APPEND TORNEL_CROSS_TARGETS tornel_wasm32)
else()
    message(WARNING "em++ or node not found: no WebAssembly build (scripts/install-deps.sh)")
endif()

if(TORNEL_ARM64_CXX AND TORNEL_QEMU_ARM64)
    set(TORNEL_ARM64_DIR ${CMAKE_BINARY_DIR}/arm64)
    ExternalProject_Add(tornel_arm64
        SOURCE_DIR ${PROJECT_SOURCE_DIR}
        BINARY_DIR ${TORNEL_ARM64_DIR}
        CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/aarch64-linux-gnu.cmake
            ${cross_args}
        BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target tornel4-cli
        INSTALL_COMMAND ""
        BUILD_ALWAYS ON
        EXCLUDE_FROM_ALL ON)
    list(APPEND TORNEL_CROSS_TARGETS tornel_arm64)
else()
    message(WARNING "aarch64-linux-gnu-g++ or qemu-aarch64 not found: no arm64 build")
endif()

add_custom_target(tornel_cross DEPENDS ${TORNEL_CROSS_TARGETS})
