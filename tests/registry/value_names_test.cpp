// ReadSubValues: the value names of the fixed TDS client key. Values are stored in
// name order here, as Wine keeps them sorted while Windows keeps them as added.
#include <gtest/gtest.h>

#include "listing_test_helpers.h"
#include "registry/registry_exports.h"

namespace kelvane::test {
namespace {

class ValueNames : public ::testing::Test {
protected:
    RegistryFixture registry;

    void setText(const std::string& name) { registry.setValue(TDS_KEY, name, ValueType::String, textBytes("v")); }
};

TEST_F(ValueNames, MissingKeyGivesNull) { EXPECT_EQ(takeText(ReadSubValues()), std::nullopt); }

TEST_F(ValueNames, KeyWithoutValuesGivesNull) {
    registry.createKey(TDS_KEY);
    EXPECT_EQ(takeText(ReadSubValues()), std::nullopt);
}

TEST_F(ValueNames, TwoNamesInStoredOrder) {
    registry.createKey(TDS_KEY);
    setText("x");
    setText("y");
    EXPECT_EQ(takeText(ReadSubValues()), "x,y");
}

TEST_F(ValueNames, UnnamedValueFirstIsSkippedAndTheRestListed) {
    registry.createKey(TDS_KEY);
    setText("");
    setText("x");
    setText("y");
    EXPECT_EQ(takeText(ReadSubValues()), "x,y");
}

TEST_F(ValueNames, UnnamedValueBetweenIsSkipped) {
    registry.createKey(TDS_KEY);
    setText("x");
    setText("");
    setText("y");
    EXPECT_EQ(takeText(ReadSubValues()), "x,y");
}

TEST_F(ValueNames, OnlyTheUnnamedValueGivesNull) {
    registry.createKey(TDS_KEY);
    setText("");
    EXPECT_EQ(takeText(ReadSubValues()), std::nullopt);
}

// Value names may be far longer than key names; none is cut and none ends the listing
// (2,000 letters outgrow the first name buffer twice; 300 × é is 600 bytes of UTF-8).
// Stored in the order Wine sorts them: É after Z.
TEST_F(ValueNames, LongAndNonAsciiNamesAreListedWhole) {
    const std::string fits(255, 'f'), exact(256, 'e'), longer(2000, 'l');
    std::string accented;
    for (int i = 0; i < 300; ++i) accented += "é";
    registry.createKey(TDS_KEY);
    for (const std::string& name : {std::string("a"), exact, fits, longer, std::string("z"), narrowText(accented)}) {
        setText(name);
    }
    EXPECT_EQ(takeText(ReadSubValues()), "a," + exact + "," + fits + "," + longer + ",z," + narrowText(accented));
}

TEST_F(ValueNames, SubKeysAreNotValues) {
    createSubKeys(registry, TDS_KEY, {"Sub"});
    setText("x");
    EXPECT_EQ(takeText(ReadSubValues()), "x");
}

}  // namespace
}  // namespace kelvane::test
