# The ordinary test build replays every fuzz target's seeds and the crashes it once found
# (tests/regressions/fuzz_<name>/) through the same entry point, with the system's libraries:
# one program, fuzz_replay, in which each target's entry point carries the target's name.
file(GLOB FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/fuzz/fuzz_*.cpp)
set(registry "")
set(table "")
foreach(src ${FUZZ_SOURCES})
  get_filename_component(name ${src} NAME_WE)
  set_source_files_properties(${src} PROPERTIES COMPILE_DEFINITIONS LLVMFuzzerTestOneInput=velmoran_${name})
  string(APPEND registry "extern \"C\" int velmoran_${name}(const uint8_t*, size_t);\n")
  string(APPEND table "    {\"${name}\", velmoran_${name}},\n")
  list(APPEND FUZZ_NAMES ${name})
endforeach()
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/fuzz_replay_targets.cpp CONTENT
"// Generated from fuzz/fuzz_*.cpp by fuzz/replay.cmake.
#include \"fuzz/replay.h\"
${registry}
const fuzz::ReplayTarget fuzz::kReplayTargets[] = {
${table}    {nullptr, nullptr},
};
" @ONLY)
add_executable(fuzz_replay ${CMAKE_SOURCE_DIR}/fuzz/replay_main.cpp ${CMAKE_BINARY_DIR}/fuzz_replay_targets.cpp
               ${FUZZ_SOURCES})
target_link_libraries(fuzz_replay PRIVATE velmoran_core platform_headless)
if(TARGET velmoran_settings)
  target_link_libraries(fuzz_replay PRIVATE velmoran_settings)  # fuzz_settings reads settings.ini
endif()
foreach(name ${FUZZ_NAMES})
  add_test(NAME fuzz_replay.${name}
           COMMAND fuzz_replay ${name} ${CMAKE_SOURCE_DIR}/fuzz/seeds/${name} ${CMAKE_SOURCE_DIR}/tests/regressions/${name})
endforeach()
