// Links the whole engine library and nothing above it, so that an engine call into the game or the
// program fails the build. Never run.
int main() { return 0; }
