// The version of every program of the suite, in one place.
#pragma once

#define VASTREL_FILEVERSION 1, 0, 0, 44
#define VASTREL_FILEVERSION_TEXT "1, 0, 0, 44"
#define VASTREL_PRODUCTVERSION 3, 0, 0, 35
#define VASTREL_PRODUCTVERSION_TEXT "3, 0, 0, 35"
