#include <windows.h>

#include <gtest/gtest.h>

#include "resource.h"

namespace kelvaro {
namespace {

#pragma pack(push, 2)
struct IconGroupEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bits;
    DWORD bytes;
    WORD id;
};
struct IconGroup {
    WORD reserved, type, count;
    IconGroupEntry entries[1];
};
#pragma pack(pop)

// Every picture button's icon holds an image of its own for the small-icon
// size at 100, 125, 150 and 200 %, so that none is scaled from another.
TEST(PictureIcons, CarryTheSmallIconSizeOfEveryScale) {
    for (const int icon :
         {IDI_ADD, IDI_ADD_ALL, IDI_ADD_ALL_ALL, IDI_ADD_EVERY_LEVEL, IDI_DELETE, IDI_DELETE_ALL, IDI_UP, IDI_DOWN}) {
        const HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(icon), RT_GROUP_ICON);
        ASSERT_NE(found, nullptr) << icon;
        const auto* group = static_cast<const IconGroup*>(LockResource(LoadResource(nullptr, found)));
        for (const int dpi : {96, 120, 144, 192}) {
            const int pixels = GetSystemMetricsForDpi(SM_CXSMICON, dpi);
            bool exact = false;
            for (WORD i = 0; i < group->count; ++i)
                exact = exact || (group->entries[i].width == pixels && group->entries[i].height == pixels);
            EXPECT_TRUE(exact) << "icon " << icon << " has no " << pixels << " px image";
        }
    }
}

}  // namespace
}  // namespace kelvaro
