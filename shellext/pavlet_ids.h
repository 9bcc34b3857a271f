// The identifiers of the Explorer plug-in's COM class, its interface and its
// type library. Read by the IDL compiler (pavlet.idl) and by C++ alike, so
// this file holds only preprocessor definitions: each identifier as the bare
// text that IDL's uuid() takes.
#ifndef SHELLEXT_PAVLET_IDS_H
#define SHELLEXT_PAVLET_IDS_H

#define PAVLET_CLSID_TEXT 2BC200BC-8223-468B-8504-FB2DDA283DB8
#define PAVLET_IID_TEXT 39FB9096-CA87-42AF-95D5-3282201F07B5
#define PAVLET_LIBID_TEXT A0054BA3-95DC-4A65-AED9-74234CCD1DD7

#endif
