#include "ui/strength_meter.h"

#include <algorithm>

#include "framework/app.h"
#include "ui/dialog_helpers.h"

namespace {

// One zone per grade, in the order of PasswordGrade.
const StrengthZone kGradeZones[] = {
    {0xFFFFFF, 0xFFFFFF, 10},  // too short: white
    {0x0000FF, 0x0000FF, 10},  // very weak: red
    {0x0F7FFF, 0x1CC2FF, 20},  // weak: orange to amber
    {0x05DDFF, 0x6DDFFF, 30},  // fair: yellow
    {0xFF5B0F, 0xE1E019, 40},  // good: blue to teal
    {0x26652D, 0x1FBE1C, 100}, // strong: green
};

const char* const kGradeTexts[] = {"Too Short", "Very Weak", "Weak", "Fair", "Good", "Strong"};

// The character class of one byte in the user's locale, through the system
// (the process's C locale stays as it is: this code also runs inside other
// programs). A byte the locale cannot convert on its own counts as a symbol.
WORD CharType(unsigned char byte) {
    char c = static_cast<char>(byte);
    WORD type = 0;
    if (!GetStringTypeExA(LOCALE_USER_DEFAULT, CT_CTYPE1, &c, 1, &type)) return 0;
    return type;
}

}  // namespace

const char kPasswordAdvice[] =
    "It can be difficult to choose a good password. A password should be fairly long and \n"
    "shouldn't be guessable, but at the same time it should be easy to remember.\n"
    "If a password is too difficult to remember you will find that you need to write it\n"
    "down, which is not a good idea.\n"
    "\n"
    "Tips for Selecting a Password\n"
    "Include punctuation marks and/or numbers.\n"
    "Mix capital and lowercase letters.\n"
    "Include similar looking substitutions, such as the number zero for the letter 'O' or '$' for the letter 'S'.\n"
    "Create a unique acronym.\n"
    "Include phonetic replacements, such as 'Luv 2 Laf' for 'Love to Laugh'.\n"
    "\n"
    "Things to avoid:\n"
    "Don't use a password that is listed as an example of how to pick a good password.\n"
    "Don't use a password that contains personal information (name, birth date, etc.)\n"
    "Don't use words or acronyms that can be found in a dictionary. \n"
    "Don't use keyboard patterns (asdf) or sequential numbers (1234). \n"
    "Don't make your password all numbers, uppercase letters or lowercase letters.\n"
    "Don't use repeating characters (aa11).\n";

const StrengthZone& GradeZone(PasswordGrade grade) { return kGradeZones[static_cast<int>(grade)]; }

std::string GradeText(PasswordGrade grade, bool emptyPassword) {
    if (emptyPassword) return "";
    return kGradeTexts[static_cast<int>(grade)];
}

int ScorePassword(const std::string& password, PasswordGrade* grade) {
    int symbols = 0, lower = 0, upper = 0, digits = 0;
    for (unsigned char byte : password) {
        WORD type = CharType(byte);
        if (!(type & (C1_ALPHA | C1_DIGIT))) ++symbols;
        if (type & C1_LOWER) {
            ++lower;
        } else if (type & C1_UPPER) {
            ++upper;
        } else if (type & C1_DIGIT) {
            ++digits;
        }
    }
    const size_t length = password.size();
    int score = length >= 7 ? static_cast<int>(std::min<size_t>(length, 1u << 24)) : -100;
    if (lower >= 1) score += 1;
    if (upper >= 1) score += 5;
    if (upper >= 3) score += 2;
    if (digits >= 1) score += 5;
    if (digits >= 3) score += 5;
    if (symbols >= 1) score += 5;
    if (symbols >= 2) score += 5;
    if (digits >= 1 && symbols >= 1) score += 1;
    if (lower + upper >= 1 && symbols >= 1) score += 1;
    if (lower + upper >= 1 && digits >= 1) score += 2;
    if (upper >= 1 && lower >= 1) score += 2;

    PasswordGrade g = PasswordGrade::TooShort;
    if (length >= 1 && length <= 5) {
        score = -100;
    } else if (length >= 6) {
        g = score < 10   ? PasswordGrade::VeryWeak
            : score < 20 ? PasswordGrade::Weak
            : score < 30 ? PasswordGrade::Fair
            : score < 40 ? PasswordGrade::Good
                         : PasswordGrade::Strong;
    }
    if (grade) *grade = g;
    return score;
}

void CreateStrengthBar(HWND dialog, CXGradientZoneBar& bar) {
    HWND placeholder = GetDlgItem(dialog, kStrengthBarPlaceholderId);
    RECT r{};
    if (placeholder) {
        GetWindowRect(placeholder, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        ShowWindow(placeholder, SW_HIDE);
    }
    bar.Create(ui::ThisModule(), 0, WS_CHILD | WS_VISIBLE, r, dialog, kStrengthBarPlaceholderId);
    bar.SetUpright(false, false);
    bar.SetZones(1, &GradeZone(PasswordGrade::VeryWeak), false);
    bar.SetPos(0, true);
    bar.SetTextColor(0, true);
    bar.SetFontFace("Times New Roman", 8, false);
    bar.SetGridColor(0x666633, false);
    bar.SetDivisions(1, true);
}

int RatePasswordStrength(CXGradientZoneBar& bar, const std::string& password, HWND label) {
    PasswordGrade grade;
    int score = ScorePassword(password, &grade);
    bar.SetZones(1, &GradeZone(grade), false);
    bar.SetPos(100, true);
    if (label) SetWindowTextA(label, ("Password : " + GradeText(grade, password.empty())).c_str());
    return score;
}

bool CreatePasswordAdviceTip(ui::ToolTip& tip, HWND dialog, int anchorId) {
    if (!tip.Handle() && !tip.Create(dialog, true)) return false;
    tip.SetDelayTime(TTDT_AUTOPOP, 21568);
    // Wide enough for the longest advice line; the line breaks are kept.
    tip.SetMaxTipWidth(640);
    if (SetToolTipTitle(tip.Handle(), TTI_INFO, "Choosing a secure password") != 0) {
        tip.AddTool(GetDlgItem(dialog, anchorId), kPasswordAdvice);
    }
    return true;
}
