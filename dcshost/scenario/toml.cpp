// toml++ compiled once, here: every other file sees only its declarations
// (TOML_HEADER_ONLY=0), which keeps the parser out of each reader's build.
// Part of dcshost_core, so the scenario fuzzer's coverage reaches the parser.
#define TOML_IMPLEMENTATION
#include <toml++/toml.h>
