// Ids of the templates and strings that several programs share (the result
// summary dialog, the password-strength meter, ...). Each program's own id
// header includes this one; its own ids must not take these.
#pragma once

// The password prompt of "View original filename".
#define IDD_PASSWORD_PROMPT 168
#define IDC_PROMPT_PASSWORD 1065
