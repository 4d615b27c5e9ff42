// Qt keys and modifiers as the virtual key codes and shift states the tool reads.
#include <gtest/gtest.h>

#include <Qt>

#include <string>

#include "platform/qt/QtKeys.h"

namespace fw {
namespace {

struct VkCase {
    std::string name;
    int qt_key;
    std::uint16_t vk;
};

void PrintTo(const VkCase& c, std::ostream* os) { *os << c.name; }

class VirtualKey : public ::testing::TestWithParam<VkCase> {};

TEST_P(VirtualKey, MapsToTheSystemCode) { EXPECT_EQ(virtual_key(GetParam().qt_key), GetParam().vk); }

INSTANTIATE_TEST_SUITE_P(Keys, VirtualKey,
                         ::testing::Values(VkCase{"F1", Qt::Key_F1, VK_F1}, VkCase{"F2", Qt::Key_F2, VK_F2},
                                           VkCase{"F3", Qt::Key_F3, VK_F3}, VkCase{"F4", Qt::Key_F4, VK_F4},
                                           VkCase{"F12", Qt::Key_F12, 0x7B}, VkCase{"Return", Qt::Key_Return, VK_RETURN},
                                           VkCase{"Enter", Qt::Key_Enter, VK_RETURN}, VkCase{"LetterA", Qt::Key_A, 'A'},
                                           VkCase{"LetterZ", Qt::Key_Z, 'Z'}, VkCase{"Digit7", Qt::Key_7, '7'},
                                           VkCase{"Alt", Qt::Key_Alt, 0x12}, VkCase{"Escape", Qt::Key_Escape, 0x1B},
                                           VkCase{"Unknown", Qt::Key_MediaPlay, 0}),
                         [](const auto& info) { return info.param.name; });

TEST(ShiftStateOfModifiers, EachModifierAndTheirSum) {
    EXPECT_EQ(shift_state(Qt::NoModifier), 0u);
    EXPECT_EQ(shift_state(Qt::AltModifier), ShiftState(ssAlt));
    EXPECT_EQ(shift_state(Qt::ShiftModifier), ShiftState(ssShift));
    EXPECT_EQ(shift_state(Qt::ControlModifier), ShiftState(ssCtrl));
    EXPECT_EQ(shift_state((Qt::AltModifier | Qt::ControlModifier | Qt::ShiftModifier).toInt()),
              ShiftState(ssAlt | ssCtrl | ssShift));
    EXPECT_EQ(shift_state(Qt::KeypadModifier), 0u);
}

}  // namespace
}  // namespace fw
