#include "station/freigabe_dlg_model.h"
#include "station/slave_auswahl_model.h"

#include <functional>
#include <gtest/gtest.h>

namespace qor::station {
namespace {

using Addr = std::array<std::uint8_t, 16>;

// The address arrays end in 255 after the entries.
Addr Expect(std::initializer_list<int> front)
{
    Addr a;
    a.fill(255);
    std::size_t i = 0;
    for (int v : front)
        a[i++] = static_cast<std::uint8_t>(v);
    return a;
}

TEST(FreigabeDlgModel, Buttons)
{
    struct Case {
        const char* name;
        std::function<bool(FreigabeDlgModel&)> press;
        Addr left, right;
        std::vector<std::string> rightTexts;
    };
    const std::vector<Case> cases = {
        {"add middle",
         [](auto& d) { return d.Add(1); },
         Expect({0, 7}),
         Expect({9, 3}),
         {"Slave  9: d", "Slave  3: b"}},
        {"add last",
         [](auto& d) { return d.Add(2); },
         Expect({0, 3}),
         Expect({9, 7}),
         {"Slave  9: d", "Slave  7: c"}},
        {"remove", [](auto& d) { return d.Remove(0); }, Expect({0, 3, 7, 9}), Expect({}), {}},
        {"select all",
         [](auto& d) { return d.SelectAll(), true; },
         Expect({}),
         Expect({9, 0, 3, 7}),
         {"Slave  9: d", "Slave  0: a", "Slave  3: b", "Slave  7: c"}},
        {"remove all", [](auto& d) { return d.RemoveAll(), true; }, Expect({0, 3, 7, 9}), Expect({}), {}},
        {"add without selection",
         [](auto& d) { return !d.Add(-1); },
         Expect({0, 3, 7}),
         Expect({9}),
         {"Slave  9: d"}},
        {"add past the end",
         [](auto& d) { return !d.Add(3); },
         Expect({0, 3, 7}),
         Expect({9}),
         {"Slave  9: d"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FreigabeDlgModel d;
        d.AddNotReleased("Slave  0: a", 0);
        d.AddNotReleased("Slave  3: b", 3);
        d.AddNotReleased("Slave  7: c", 7);
        d.AddReleased("Slave  9: d", 9);
        EXPECT_TRUE(c.press(d));
        EXPECT_EQ(d.NotReleased(), c.left);
        EXPECT_EQ(d.Released(), c.right);
        EXPECT_EQ(d.ReleasedTexts(), c.rightTexts);
        EXPECT_EQ(d.NotReleasedTexts().size() + d.ReleasedTexts().size(), 4u);
    }
}

// Sixteen modules fill the array without room for the end mark.
TEST(FreigabeDlgModel, SixteenEntriesFillTheArray)
{
    FreigabeDlgModel d;
    for (int i = 0; i < 16; ++i)
        d.AddNotReleased("m", static_cast<std::uint8_t>(i));
    d.SelectAll();
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(d.Released()[static_cast<std::size_t>(i)], i);
    EXPECT_EQ(d.NotReleased(), Expect({}));
}

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
