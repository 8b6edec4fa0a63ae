// Parts of the statically linked C++ runtime that this program replaces with
// the little it needs of them, to keep MURNoptions.exe small.
//
// The errors that these helpers report cannot arise in this program: no
// string or vector grows past its maximum size, no std::function is called
// empty, and every substr starts inside its string. Where one would arise
// anyway, the program ends at once through abort() instead of throwing; the
// guards that keep exceptions out of Windows callbacks still catch whatever
// else is thrown, such as std::bad_alloc from operator new. The runtime's own
// helpers build the exception objects from text, which links in the exception
// classes' string code and the old copy-on-write std::string beside the one
// the program uses (about 90 KB). Should the runtime ever need one of its own
// throwing helpers besides these, the link fails on the doubled symbols
// rather than growing quietly.
//
// The runtime's default terminate handler writes the type of the uncaught
// exception, demangled, to the standard error stream before it aborts; a
// program without a console has no such stream, and the demangler alone is
// about 46 KB. This handler aborts at once.

#include <bits/functexcept.h>

#include <cstdlib>
#include <exception>

namespace std {

void __throw_bad_alloc() { std::abort(); }
void __throw_bad_array_new_length() { std::abort(); }
void __throw_bad_function_call() { std::abort(); }
void __throw_logic_error(const char*) { std::abort(); }
void __throw_length_error(const char*) { std::abort(); }
void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }

}  // namespace std

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
