#pragma once
// For the tests, which run this program as a separate process, as a
// recipient would: when the environment variable VASTREL_EXTRACTOR_TRANSCRIPT
// names a file, every message box is answered (Yes, else OK) instead of
// shown, and written to that file with its style; a summary dialog writes
// its rows there and closes. Without the variable nothing changes.
void InstallTestTranscript();
