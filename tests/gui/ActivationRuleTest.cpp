// When a form's activate event is raised again after its first show.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/qt/ActivationRule.h"

namespace fw {
namespace {

using Kind = ActivationRule::Kind;

// Stand-ins for two forms; the rule only compares their addresses.
const TForm* const kMain = reinterpret_cast<const TForm*>(0x1000);
const TForm* const kOther = reinterpret_cast<const TForm*>(0x2000);

struct Step {
    Kind kind;
    const TForm* form;
};

struct RuleCase {
    std::string name;
    std::vector<Step> steps;  // the active window changes, in order
    bool last_activates;      // whether the last step raises the activate event
};

void PrintTo(const RuleCase& c, std::ostream* os) { *os << c.name; }

class ActivationRuleCases : public ::testing::TestWithParam<RuleCase> {};

TEST_P(ActivationRuleCases, LastStep) {
    ActivationRule rule;
    bool last = false;
    for (const Step& s : GetParam().steps) last = rule.activated(s.kind, s.form);
    EXPECT_EQ(last, GetParam().last_activates);
}

INSTANTIATE_TEST_SUITE_P(
    Rule, ActivationRuleCases,
    ::testing::Values(
        RuleCase{"FirstActivationIsTheModelsOwn", {{Kind::Form, kMain}}, false},
        RuleCase{"BackFromAnotherOwnWindow", {{Kind::Form, kMain}, {Kind::Form, kOther}, {Kind::Form, kMain}}, true},
        RuleCase{"BackFromAModalWindow", {{Kind::Form, kMain}, {Kind::ModalForm, kOther}, {Kind::Form, kMain}}, false},
        RuleCase{"BackFromAMessageBox", {{Kind::Form, kMain}, {Kind::Foreign, nullptr}, {Kind::Form, kMain}}, false},
        RuleCase{"BackFromAnotherProgram", {{Kind::Form, kMain}, {Kind::None, nullptr}, {Kind::Form, kMain}}, false},
        RuleCase{"OtherProgramBetweenOwnWindows",
                 {{Kind::Form, kOther}, {Kind::None, nullptr}, {Kind::Form, kMain}}, false},
        RuleCase{"SameWindowAgain", {{Kind::Form, kMain}, {Kind::Form, kMain}}, false},
        RuleCase{"AModalWindowItselfIsNotActivated", {{Kind::Form, kMain}, {Kind::ModalForm, kOther}}, false}),
    [](const auto& info) { return info.param.name; });

TEST(ActivationRule, FormThatIsGoneIsNotWhereFocusCameFrom) {
    ActivationRule rule;
    rule.activated(Kind::Form, kOther);
    rule.forget(kOther);
    EXPECT_FALSE(rule.activated(Kind::Form, kMain));
}

}  // namespace
}  // namespace fw
