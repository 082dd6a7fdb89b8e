# The WebAssembly build (scripts/build-web.sh): Debian's emscripten, with zlib, libpng, libogg,
# libvorbis and SDL2 built from Debian's sources by scripts/build-web-libs.sh (VELMORAN_WEB_LIBS is
# the prefix it prints). For now the headless program only, run under node.
set(VELMORAN_WEB_LIBS "" CACHE PATH "Prefix of the libraries built by scripts/build-web-libs.sh")
option(VELMORAN_WEB_THREADS "Build with threads (-pthread; the libraries must be built alike)" ON)
if(NOT VELMORAN_WEB_LIBS)
  message(FATAL_ERROR "VELMORAN_WEB_LIBS is not set: run scripts/build-web.sh, which builds the libraries")
endif()
list(PREPEND CMAKE_PREFIX_PATH ${VELMORAN_WEB_LIBS})
list(PREPEND CMAKE_FIND_ROOT_PATH ${VELMORAN_WEB_LIBS})
set(ENV{PKG_CONFIG_LIBDIR} "${VELMORAN_WEB_LIBS}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")

# Exceptions are caught: the input-script reader and the picture cache rely on it for bad input and
# a full memory, which must not abort the program.
add_compile_options(-fexceptions)
add_link_options(-fexceptions)
if(VELMORAN_WEB_THREADS)
  add_compile_options(-pthread)
  # Every thread the engine starts needs a worker made before: a blocking main thread cannot wait for
  # the browser or node to make one. The picture prefetcher, up to four draw bands, the sound feeder
  # and the signal watchers of app/ fit in eight.
  add_link_options(-pthread -sPTHREAD_POOL_SIZE=8)
endif()

# The headless program: what app/main.cpp links in place of the window and the score table's sender.
function(velmoran_web_program)
  add_executable(velmoran app/main.cpp app/command_line.cpp app/autopilot.cpp app/replay.cpp
                          app/score_upload_none.cpp
                          platform/web/headless_only.cpp platform/web/exact_atan.cpp
                          platform/web/no_signals.cpp)
  target_link_libraries(velmoran PRIVATE velmoran_settings velmoran_core platform_headless)
  target_compile_definitions(velmoran PRIVATE VELMORAN_VERSION="${PROJECT_VERSION}"
                             VELMORAN_DATADIR="${CMAKE_INSTALL_FULL_DATADIR}/velmoran")
  # Under node: the real files (NODERAWFS), the wasm inside the .js (node 18 and 20 would otherwise
  # fetch it as a URL), the exit status passed on, and memory that grows with the pictures.
  # And the real environment: HOME, TMPDIR and the XDG folders, as the native program reads them.
  set(environment ${CMAKE_SOURCE_DIR}/platform/web/node_environment.js)
  target_link_options(velmoran PRIVATE -sENVIRONMENT=node,worker -sNODERAWFS=1 -sSINGLE_FILE=1 -sEXIT_RUNTIME=1
                      -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=128MB -sMAXIMUM_MEMORY=2GB --pre-js ${environment})
  set_property(TARGET velmoran APPEND PROPERTY LINK_DEPENDS ${environment})
endfunction()
