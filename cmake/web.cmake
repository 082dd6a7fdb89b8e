# The WebAssembly build (scripts/build-web.sh): Debian's emscripten, with zlib, libpng, libogg,
# libvorbis and SDL2 built from Debian's sources by scripts/build-web-libs.sh (VELMORAN_WEB_LIBS is
# the prefix it prints). The headless program, run under node, and the page (velmoran_page, below).
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
# a full memory, which must not abort the program. Wasm's vector instructions (every browser and
# node the page is for has them) let the compiler vectorise the mixer's and the drawing's loops, as
# it does natively; an element-wise float operation gives the same bits in a vector.
add_compile_options(-fexceptions -msimd128)
add_link_options(-fexceptions)
if(VELMORAN_WEB_THREADS)
  add_compile_options(-pthread)
  # Every thread the engine starts needs a worker made before: a blocking main thread cannot wait for
  # the browser or node to make one. The picture prefetcher, three draw bands beside the calling
  # thread's and the sound feeder make five (app/ starts no signal watchers here). Each worker costs
  # the start-up a parse of the program's JavaScript and an instance of its wasm: no more than that.
  add_link_options(-pthread -sPTHREAD_POOL_SIZE=5)
endif()

# The headless program: what app/main.cpp links in place of the window and the score table's sender.
function(velmoran_web_program)
  add_executable(velmoran app/main.cpp app/command_line.cpp app/autopilot.cpp app/replay.cpp
                          app/score_upload_none.cpp
                          platform/web/headless_only.cpp platform/web/exact_atan.cpp)
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
  velmoran_web_page()
endfunction()

# The page (scripts/build-web.sh, into build-page/): the same program with SDL's window back-end
# drawing into the page's canvas. The game's loops wait for the next frame inside the back-end, which
# hands the thread back to the browser there (Asyncify), so that the loops stay as they are.
# The data goes into game.data beside it, loaded before the game starts.
function(velmoran_web_page)
  set(page ${CMAKE_SOURCE_DIR}/platform/web/page)
  file(GLOB sdl_window_sources ${CMAKE_SOURCE_DIR}/platform/sdl2/*.cpp)
  list(REMOVE_ITEM sdl_window_sources ${CMAKE_SOURCE_DIR}/platform/sdl2/sdl_convert.cpp)
  add_library(platform_sdl2_page STATIC ${sdl_window_sources})
  target_link_libraries(platform_sdl2_page PUBLIC velmoran_engine platform_common platform_audio_convert)
  # platform/web/web_platform.cpp takes the name app/main.cpp calls and wraps SDL's back-end.
  target_compile_definitions(platform_sdl2_page PRIVATE MakeSdlPlatform=MakeSdlWindowPlatform)

  add_executable(velmoran_page app/main.cpp app/command_line.cpp app/autopilot.cpp app/replay.cpp
                               app/score_upload_none.cpp platform/web/web_platform.cpp
                               platform/web/exact_atan.cpp)
  set_target_properties(velmoran_page PROPERTIES OUTPUT_NAME game SUFFIX .js)
  target_link_libraries(velmoran_page PRIVATE velmoran_settings velmoran_core platform_headless
                                              platform_sdl2_page)
  target_compile_definitions(velmoran_page PRIVATE VELMORAN_VERSION="${PROJECT_VERSION}"
                             VELMORAN_DATADIR="/game")
  # The data as the page downloads it: the pictures that are smaller so, as PNG (platform/web/
  # pack_pictures.js checks that each holds the same pixels), the rest as it is.
  find_program(VELMORAN_NODE node REQUIRED)
  set(page_data ${VELMORAN_OUT}/page-data)
  set(page_data_sources ${CMAKE_SOURCE_DIR}/platform/web/pack_pictures.js)
  if(EXISTS ${VELMORAN_DATA_DIR}/.stamp)
    list(APPEND page_data_sources ${VELMORAN_DATA_DIR}/.stamp)
  endif()
  # The page's own music, smaller (scripts/build-web.sh makes it with the native data generator).
  set(VELMORAN_PAGE_MUSIC "" CACHE PATH "A folder whose music/ takes the place of the data's in the page")
  set(page_replacements)
  if(VELMORAN_PAGE_MUSIC AND EXISTS ${VELMORAN_PAGE_MUSIC}/.stamp)
    set(page_replacements ${VELMORAN_PAGE_MUSIC})
    list(APPEND page_data_sources ${VELMORAN_PAGE_MUSIC}/.stamp)
  endif()
  add_custom_command(OUTPUT ${page_data}.stamp
                     COMMAND ${VELMORAN_NODE} ${CMAKE_SOURCE_DIR}/platform/web/pack_pictures.js
                             ${VELMORAN_DATA_DIR} ${page_data} ${page_replacements}
                     COMMAND ${CMAKE_COMMAND} -E touch ${page_data}.stamp
                     DEPENDS ${page_data_sources} VERBATIM)
  add_custom_target(velmoran_page_data DEPENDS ${page_data}.stamp)
  add_dependencies(velmoran_page velmoran_page_data)
  # Asyncify makes every function that may be on the stack when the game hands the thread back able to
  # unwind, and takes any indirect call for one that may: with threads that is nearly all the code,
  # since malloc's lock can run the calls other threads queue. The functions in asyncify-remove.json
  # never reach the game's waits (queued calls, allocation and error handlers): left plain, they keep
  # the page's download about 35 KB smaller.
  target_link_options(velmoran_page PRIVATE -sENVIRONMENT=web,worker -sASYNCIFY=1 -sASYNCIFY_STACK_SIZE=65536
                      -sASYNCIFY_REMOVE=@${page}/asyncify-remove.json
                      -sINVOKE_RUN=0 -sEXIT_RUNTIME=1 -sEXPORTED_RUNTIME_METHODS=callMain,FS
                      -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=128MB -sMAXIMUM_MEMORY=2GB
                      -sFORCE_FILESYSTEM=1 -lidbfs.js
                      --preload-file ${page_data}@/game/data --pre-js ${page}/pre.js
                      --js-library ${page}/library.js)
  # The data generator touches its .stamp when it writes the data: the page packs the new data then.
  set_property(TARGET velmoran_page APPEND PROPERTY LINK_DEPENDS ${page}/pre.js ${page}/library.js
                                                                 ${page}/asyncify-remove.json ${page_data}.stamp)
  # The page's own files beside the program (copied again whenever one changes).
  foreach(f index.html page.js page.css)
    configure_file(${page}/${f} ${VELMORAN_OUT}/${f} COPYONLY)
  endforeach()
endfunction()
