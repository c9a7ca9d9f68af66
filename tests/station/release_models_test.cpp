#include "station/freigabe_dlg_model.h"
#include "station/slave_auswahl_model.h"

#include <functional>
#include <gtest/gtest.h>

namespace qor::station {
namespace {

// An address array: the entries, then 255 up to the end.
std::array<std::uint8_t, 16> Addresses(const std::vector<int>& front)
{
    std::array<std::uint8_t, 16> a;
    a.fill(255);
    for (std::size_t i = 0; i < front.size(); ++i)
        a[i] = static_cast<std::uint8_t>(front[i]);
    return a;
}

std::vector<std::string> Texts(const std::vector<int>& addresses)
{
    std::vector<std::string> t;
    for (int a : addresses)
        t.push_back("m" + std::to_string(a));
    return t;
}

// Guards a text moved without its address (or the reverse), a lost end mark, and rows outside the list.
TEST(FreigabeDlgModel, Buttons)
{
    struct Case {
        const char* name;
        std::function<bool(FreigabeDlgModel&)> press;
        std::vector<int> left, right;
    };
    const std::vector<Case> cases = {
        {"add middle", [](auto& d) { return d.Add(1); }, {0, 7}, {9, 3}},
        {"add last", [](auto& d) { return d.Add(2); }, {0, 3}, {9, 7}},
        {"remove", [](auto& d) { return d.Remove(0); }, {0, 3, 7, 9}, {}},
        {"select all", [](auto& d) { return d.SelectAll(), true; }, {}, {9, 0, 3, 7}},
        {"remove all", [](auto& d) { return d.RemoveAll(), true; }, {0, 3, 7, 9}, {}},
        {"add without selection", [](auto& d) { return !d.Add(-1); }, {0, 3, 7}, {9}},
        {"add past the end", [](auto& d) { return !d.Add(3); }, {0, 3, 7}, {9}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FreigabeDlgModel d;
        for (int a : {0, 3, 7})
            d.AddNotReleased(Texts({a})[0], static_cast<std::uint8_t>(a));
        d.AddReleased("m9", 9);
        EXPECT_TRUE(c.press(d));
        EXPECT_EQ(d.NotReleased(), Addresses(c.left));
        EXPECT_EQ(d.Released(), Addresses(c.right));
        EXPECT_EQ(d.NotReleasedTexts(), Texts(c.left));
        EXPECT_EQ(d.ReleasedTexts(), Texts(c.right));
    }
}

// Guards sixteen modules overrunning the array, which has no room left for the end mark.
TEST(FreigabeDlgModel, SixteenEntriesFillTheArray)
{
    FreigabeDlgModel d;
    std::vector<int> all;
    for (int i = 0; i < 16; ++i) {
        d.AddNotReleased("m", static_cast<std::uint8_t>(i));
        all.push_back(i);
    }
    d.SelectAll();
    EXPECT_EQ(d.Released(), Addresses(all));
    EXPECT_EQ(d.NotReleased(), Addresses({}));
}

// Guards the selection yielding an address without entries, or moving to a row that does not exist.
TEST(SlaveAuswahlModel, PreselectsFirstAndYieldsChosenAddress)
{
    SlaveAuswahlModel s(1);
    EXPECT_FALSE(s.SelectedAddress());
    s.AddEntry("Slave  4: Potentiostat", 4);
    s.AddEntry("Slave  9: Potentiostat", 9);
    EXPECT_EQ(s.SelectedAddress(), 4);
    EXPECT_TRUE(s.Select(1));
    EXPECT_FALSE(s.Select(2));
    EXPECT_EQ(s.SelectedAddress(), 9);
}

}  // namespace
}  // namespace qor::station
