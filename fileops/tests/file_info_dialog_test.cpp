#include "fileops/file_info_dialog.h"

#include <gtest/gtest.h>

TEST(FileInfoDialog, SizesShowBothFormsWhenTheyDiffer)
{
    const struct { long long size; const char* text; } rows[] = {
        {0, "0"},
        {999, "999"},
        {99999, "99,999"},
        {1234567, "1,234,567 (1,205K)"},
        {1LL << 40, "1,099,511,627,776 (1,024G)"},
    };
    for (const auto& r : rows)
        EXPECT_STREQ(FileInfoSizeFormat(r.size).ToUTF8().c_str(), r.text) << r.size;
}
