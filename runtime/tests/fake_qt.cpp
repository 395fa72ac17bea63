// Stand-ins for the Qt backend library in the initialisation tests: built
// once with a factory that fails, once without any factory.
#ifdef FAKE_WITH_FACTORY
extern "C" __attribute__((visibility("default"))) void* uirt_qt_create_backend(int, char**) { return nullptr; }
#else
extern "C" __attribute__((visibility("default"))) int uirt_fake_backend_marker(void) { return 0; }
#endif
