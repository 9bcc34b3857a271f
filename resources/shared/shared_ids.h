// Ids of the templates and strings that several programs share (the result
// summary dialog, the password-strength meter, ...). Each program's own id
// header includes this one; its own ids must not take these.
#pragma once
