// The DLL's terminate handler: the process ends at once, as std::abort ends it.
// Defining the runtime's default handler here keeps its own out of the link, and with it
// the demangler and stdio that it prints with. Nothing in the library throws, and a host
// would not see a message written to a DLL's stderr anyway.
#include <cstdlib>
#include <exception>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
