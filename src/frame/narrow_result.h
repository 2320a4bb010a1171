// Results in UTF-8 handed to a host that reads its narrow form.
#pragma once

namespace kelvane {

// A UTF-8 ModuleString as a ModuleString in the host's narrow form (freeing the first);
// null stays null.
char* narrowResult(char* utf8);

}  // namespace kelvane
