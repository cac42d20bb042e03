// The menu icon cut from a picture: what it keeps, how it averages.
#include "packaging/icon/icon.hpp"

#include <gtest/gtest.h>

namespace {

// An indexed picture; rows of ASCII art: '.' black, 'W' white, 'R' red.
PngPicture picture_from(const std::vector<std::string>& rows)
{
    PngPicture picture;
    picture.width = static_cast<int>(rows[0].size());
    picture.height = static_cast<int>(rows.size());
    picture.palette = {{0, 0, 0}, {255, 255, 255}, {200, 0, 0}};
    for (const std::string& row : rows)
        for (char c : row) picture.pixels.push_back(c == 'W' ? 1 : c == 'R' ? 2 : 0);
    return picture;
}

// The icon's opacity as art: '.' transparent, '#' opaque, '+' in between.
std::vector<std::string> alpha_art(const IconImage& icon)
{
    std::vector<std::string> rows(static_cast<std::size_t>(icon.size));
    for (int i = 0; i < icon.size * icon.size; ++i) {
        const int alpha = icon.rgba[static_cast<std::size_t>(i) * 4 + 3];
        rows[static_cast<std::size_t>(i / icon.size)] += alpha == 0 ? '.' : alpha == 255 ? '#' : '+';
    }
    return rows;
}

// A 20 × 24 picture with its border and a title on row 4; `content` is
// drawn from row 12 on, at column 4.
std::vector<std::string> framed(const std::vector<std::string>& content)
{
    std::vector<std::string> rows(24, "W" + std::string(18, '.') + "W");
    rows.front() = rows.back() = std::string(20, 'W');
    rows[4] = "W....WWWWWWWWW.....W";
    for (std::size_t i = 0; i < content.size(); ++i) rows[12 + i].replace(4, content[i].size(), content[i]);
    return rows;
}

TEST(Icon, KeepsOnlyWhatIsDrawnInsideTheFrameCentredInASquare)
{
    // Eight wide, four high: the square is eight high, two blank rows above and below.
    const PngPicture picture = picture_from(framed({"RRRRRRRR", "RRRRRRRR", "RRRRRRRR", "RRRRRRRR"}));
    IconImage icon;
    std::string error;
    ASSERT_TRUE(make_icon(picture, 4, icon, error)) << error;
    EXPECT_EQ(alpha_art(icon), (std::vector<std::string>{
                                   "....",
                                   "####",
                                   "####",
                                   "....",
                               }));
    EXPECT_EQ(icon.rgba[4 * 4 + 0], 200);
    EXPECT_EQ(icon.rgba[4 * 4 + 1], 0);
}

TEST(Icon, PartlyDrawnPixelsAreTranslucentButNotDarkened)
{
    const PngPicture picture = picture_from(framed({"R.R.", ".R.R", "R.R.", ".R.R"}));
    IconImage icon;
    std::string error;
    ASSERT_TRUE(make_icon(picture, 2, icon, error)) << error;
    EXPECT_EQ(alpha_art(icon), (std::vector<std::string>{"++", "++"}));
    EXPECT_EQ(icon.rgba[3], 127);
    EXPECT_EQ(icon.rgba[0], 200);
}

TEST(Icon, ASquareReachingPastThePictureIsBlankThere)
{
    // Sixteen wide and one high on the last row inside the frame: the
    // square reaches over the border and below the picture, all blank.
    std::vector<std::string> rows = framed({});
    rows[21].replace(2, 16, std::string(16, 'R'));
    IconImage icon;
    std::string error;
    ASSERT_TRUE(make_icon(picture_from(rows), 4, icon, error)) << error;
    EXPECT_EQ(alpha_art(icon), (std::vector<std::string>{"....", "++++", "....", "...."}));
}

TEST(Icon, RefusesABlankPictureOrOneSmallerThanTheIcon)
{
    IconImage icon;
    std::string error;
    EXPECT_FALSE(make_icon(picture_from(framed({})), 4, icon, error));
    EXPECT_EQ(error, "the picture has nothing drawn in its plot window");
    EXPECT_FALSE(make_icon(picture_from(framed({"RR"})), 4, icon, error));
    EXPECT_EQ(error, "what is drawn (2 pixels) is smaller than the icon");
}

}  // namespace
