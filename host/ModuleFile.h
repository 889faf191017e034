#pragma once
// A look at a plug-in file before it is handed to dlopen. The system loader
// maps a module's segments straight from the file and trusts their sizes: a
// file cut short (a copy that did not finish, a download that stopped) maps
// pages past its end, and the first touch of one kills the process with
// SIGBUS inside dlopen, with no message. This check refuses such a file with
// one line instead.

#include <string>

namespace fxcorehost {

// [main-thread] True when path names a regular file that holds an ELF shared
// object of this process's class, byte order and machine whose program
// headers, loadable segments and section headers all lie inside the file.
// Otherwise false, with error naming the file and the problem in one line.
bool checkModuleFile(const std::string& path, std::string& error);

}  // namespace fxcorehost
