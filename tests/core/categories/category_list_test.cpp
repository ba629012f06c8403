#include "core/categories/category_list.h"
#include "support/data_files.h"
#include "support/temp_installation.h"

#include <gtest/gtest.h>

namespace folio {
namespace {

using test::categoryFile;

TEST(CategoryList, thirtyThreeCategories_fillSlotsOneToThirtyThree) {
    std::array<std::string, 201> names;
    EXPECT_EQ(readCategoryNames(categoryFile(33), names), 33);
    EXPECT_EQ(names[1], "Genre 1");
    EXPECT_EQ(names[33], "Genre 33");
    EXPECT_TRUE(names[0].empty());
    EXPECT_TRUE(names[34].empty());
}

TEST(CategoryList, fortyCategories_readOnlyTheFirstThirtyThree) {
    std::array<std::string, 201> names;
    EXPECT_EQ(readCategoryNames(categoryFile(40), names), 33);
    EXPECT_EQ(names[33], "Genre 33");
    EXPECT_TRUE(names[34].empty());
}

TEST(CategoryList, fewerCategories_leaveTheRestEmpty) {
    std::array<std::string, 201> names;
    names[20] = "stale";
    // The closing line " ];" ends a short list rather than captioning a 21st button.
    EXPECT_EQ(readCategoryNames(categoryFile(20), names), 20);
    EXPECT_EQ(names[20], "Genre 20");
    EXPECT_TRUE(names[21].empty());
    EXPECT_EQ(readCategoryNames("", names), 0);
    EXPECT_TRUE(names[1].empty());
}

TEST(CategoryList, commasInsideQuotes_belongToTheName) {
    std::array<std::string, 201> names;
    readCategoryNames("var generi = [\r\n\"Rock, Pop\",\r\n\"Jazz\",\r\n ];\r\n", names);
    EXPECT_EQ(names[1], "Rock, Pop");
    EXPECT_EQ(names[2], "Jazz");
}

TEST(CategoryList, missingFile_isReportedAndEmptiesTheNames) {
    test::TempInstallation stand;
    std::array<std::string, 201> names;
    names[1] = "old";
    CategoryLoad load = loadCategoryNames(stand.installation(), names);
    EXPECT_FALSE(load.fileFound);
    EXPECT_EQ(load.count, 0);
    EXPECT_TRUE(names[1].empty());

    stand.write("spartiti\\generi.js", categoryFile(33));
    load = loadCategoryNames(stand.installation(), names);
    EXPECT_TRUE(load.fileFound);
    EXPECT_EQ(load.count, 33);
}

} // namespace
} // namespace folio
