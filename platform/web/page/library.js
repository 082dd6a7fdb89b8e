// Linked into the page's program with --js-library: SDL's audio and joystick code calls these
// emscripten functions from its JS without naming them to the linker (emscripten's own SDL2 port
// adds them the same way).
mergeInto(LibraryManager.library, {
  velmoran_page_sdl_needs__deps: ['$autoResumeAudioContext', '$dynCall'],
  velmoran_page_sdl_needs: function() {},
});
