#pragma once
// The password-strength meter of the dialogs where a new password is typed:
// a gradient bar in place of a placeholder control and a label that shows
// the grade. It only advises; the rule that refuses a password is
// ValidatePasswords. Also the advice tooltip those dialogs show on their
// hint icon.
#include <windows.h>

#include <string>

#include "framework/controls.h"
#include "ui/gradient_zone_bar.h"

// The dialog's placeholder control of the bar (hidden once the bar is there).
constexpr int kStrengthBarPlaceholderId = 1128;

// The grades, each with its zone: too short (or empty), very weak, weak,
// fair, good, strong.
enum class PasswordGrade { TooShort, VeryWeak, Weak, Fair, Good, Strong };
const StrengthZone& GradeZone(PasswordGrade grade);
// "Too Short" (empty for an empty password), "Very Weak", "Weak", "Fair",
// "Good", "Strong".
std::string GradeText(PasswordGrade grade, bool emptyPassword = false);

// Scores the password (bytes; letters and digits as the user's locale tells
// them) and grades it. Passwords of 1 to 5 bytes score -100.
int ScorePassword(const std::string& password, PasswordGrade* grade = nullptr);

// Puts the bar over the dialog's placeholder control 1128 and hides that.
void CreateStrengthBar(HWND dialog, CXGradientZoneBar& bar);

// Paints the bar in the password's grade and writes "Password : <grade>"
// into the label; returns the score.
int RatePasswordStrength(CXGradientZoneBar& bar, const std::string& password, HWND label);

// The balloon tooltip with the advice on choosing a password, on the
// dialog's hint icon. False when the tooltip could not be made (the dialog
// goes on without it).
bool CreatePasswordAdviceTip(ui::ToolTip& tip, HWND dialog, int anchorId);
// The advice, word for word.
extern const char kPasswordAdvice[];
