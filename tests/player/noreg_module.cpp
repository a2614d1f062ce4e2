// A module with the player module's name but no registration entry point,
// for the loader's failure report.
extern "C" __attribute__((visibility("default"))) int OrviaSomethingElse() { return 0; }
