// The input translation spells out GLFW's numbers so that it builds without GLFW; this file
// builds with the editor and stops the build should a GLFW release ever renumber them.
#include <GLFW/glfw3.h>

#include "gui/InputTranslator.h"

static_assert(GLFW_VERSION_MAJOR == 3 && GLFW_VERSION_MINOR >= 3);

static_assert(GlfwKey::Unknown == GLFW_KEY_UNKNOWN);
static_assert(GlfwKey::Space == GLFW_KEY_SPACE);
static_assert(GlfwKey::Apostrophe == GLFW_KEY_APOSTROPHE);
static_assert(GlfwKey::Comma == GLFW_KEY_COMMA);
static_assert(GlfwKey::Zero == GLFW_KEY_0);
static_assert(GlfwKey::Nine == GLFW_KEY_9);
static_assert(GlfwKey::A == GLFW_KEY_A);
static_assert(GlfwKey::Z == GLFW_KEY_Z);
static_assert(GlfwKey::GraveAccent == GLFW_KEY_GRAVE_ACCENT);
static_assert(GlfwKey::World1 == GLFW_KEY_WORLD_1);
static_assert(GlfwKey::World2 == GLFW_KEY_WORLD_2);
static_assert(GlfwKey::Escape == GLFW_KEY_ESCAPE);
static_assert(GlfwKey::Enter == GLFW_KEY_ENTER);
static_assert(GlfwKey::Tab == GLFW_KEY_TAB);
static_assert(GlfwKey::Backspace == GLFW_KEY_BACKSPACE);
static_assert(GlfwKey::Insert == GLFW_KEY_INSERT);
static_assert(GlfwKey::Delete == GLFW_KEY_DELETE);
static_assert(GlfwKey::Right == GLFW_KEY_RIGHT);
static_assert(GlfwKey::Left == GLFW_KEY_LEFT);
static_assert(GlfwKey::Down == GLFW_KEY_DOWN);
static_assert(GlfwKey::Up == GLFW_KEY_UP);
static_assert(GlfwKey::PageUp == GLFW_KEY_PAGE_UP);
static_assert(GlfwKey::PageDown == GLFW_KEY_PAGE_DOWN);
static_assert(GlfwKey::Home == GLFW_KEY_HOME);
static_assert(GlfwKey::End == GLFW_KEY_END);
static_assert(GlfwKey::F1 == GLFW_KEY_F1);
static_assert(GlfwKey::F15 == GLFW_KEY_F15);
static_assert(GlfwKey::F16 == GLFW_KEY_F16);
static_assert(GlfwKey::F25 == GLFW_KEY_F25);
static_assert(GLFW_KEY_F15 - GLFW_KEY_F1 == 14);
static_assert(GlfwKey::Kp0 == GLFW_KEY_KP_0);
static_assert(GlfwKey::Kp9 == GLFW_KEY_KP_9);
static_assert(GLFW_KEY_KP_5 - GLFW_KEY_KP_0 == 5);
static_assert(GlfwKey::KpDecimal == GLFW_KEY_KP_DECIMAL);
static_assert(GlfwKey::KpDivide == GLFW_KEY_KP_DIVIDE);
static_assert(GlfwKey::KpMultiply == GLFW_KEY_KP_MULTIPLY);
static_assert(GlfwKey::KpSubtract == GLFW_KEY_KP_SUBTRACT);
static_assert(GlfwKey::KpAdd == GLFW_KEY_KP_ADD);
static_assert(GlfwKey::KpEnter == GLFW_KEY_KP_ENTER);
static_assert(GlfwKey::KpEqual == GLFW_KEY_KP_EQUAL);
static_assert(GlfwKey::LeftShift == GLFW_KEY_LEFT_SHIFT);
static_assert(GlfwKey::LeftControl == GLFW_KEY_LEFT_CONTROL);
static_assert(GlfwKey::LeftAlt == GLFW_KEY_LEFT_ALT);
static_assert(GlfwKey::LeftSuper == GLFW_KEY_LEFT_SUPER);
static_assert(GlfwKey::RightShift == GLFW_KEY_RIGHT_SHIFT);
static_assert(GlfwKey::RightControl == GLFW_KEY_RIGHT_CONTROL);
static_assert(GlfwKey::RightAlt == GLFW_KEY_RIGHT_ALT);
static_assert(GlfwKey::RightSuper == GLFW_KEY_RIGHT_SUPER);
static_assert(GlfwKey::Menu == GLFW_KEY_MENU);

static_assert(GlfwAction::Release == GLFW_RELEASE);
static_assert(GlfwAction::Press == GLFW_PRESS);
static_assert(GlfwAction::Repeat == GLFW_REPEAT);

static_assert(GlfwMod::Shift == GLFW_MOD_SHIFT);
static_assert(GlfwMod::Control == GLFW_MOD_CONTROL);
static_assert(GlfwMod::Alt == GLFW_MOD_ALT);

static_assert(GlfwMouseButton::Left == GLFW_MOUSE_BUTTON_LEFT);
static_assert(GlfwMouseButton::Right == GLFW_MOUSE_BUTTON_RIGHT);
static_assert(GlfwMouseButton::Middle == GLFW_MOUSE_BUTTON_MIDDLE);
