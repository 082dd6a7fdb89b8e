// Linked into the headless wasm program with --pre-js: under node it reads the real environment
// (HOME, TMPDIR, the XDG folders), as the native program does, instead of emscripten's made-up one.
Module['preRun'] = Module['preRun'] || [];
Module['preRun'].push(function() {
  if (typeof process === 'object' && process.env) Object.assign(ENV, process.env);
});
