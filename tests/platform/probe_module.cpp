// A library for the loading tests: found beside them and loaded by its system name.

extern "C" __attribute__((visibility("default"))) int M716ProbeAnswer() {
  return 42;
}
