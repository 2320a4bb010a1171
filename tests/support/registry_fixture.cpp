#include "support/registry_fixture.h"

namespace kelvane::test {

Bytes textBytes(const std::string& text, bool terminated) {
    Bytes bytes(text.begin(), text.end());
    if (terminated) bytes.push_back(0);
    return bytes;
}

std::string RegistryFixture::keyPath(const std::string& name) const { return root() + "\\" + name; }

}  // namespace kelvane::test
