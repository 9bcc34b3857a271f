// Opening an encrypted file named on the command line for editing.
#include "app/crypt_test_app.h"

// Not built yet: the file stays as it is and nothing is shown.
void CCryptTestApp::OpenEncryptedFile(std::string) {}
