#pragma once
// A library of ours that a program loads (Corvane.dll, loaded through COM)
// links its own copy of the framework, and so has its own hooks for message
// boxes, modal dialogs, pickers, popup menus and program starts. A program
// that answers those windows itself (a test program that drives the
// library's dialogs) exports a function named kHookHostExport; the library
// hands it the setters of its own hooks there, once per load. Explorer and
// every other program export no such function, and the library then shows
// its windows as it always does.
#include <windows.h>

#include "framework/dialog.h"
#include "framework/prompts.h"
#include "framework/window.h"
#include "platform/file.h"
#include "platform/message_box.h"
#include "platform/process.h"

namespace ui {

struct HookSetters {
    unsigned size;   // sizeof(HookSetters) as the library knows it
    HMODULE module;  // the library
    Dialog::ModalHook (*setModalHook)(Dialog::ModalHook);
    platform::MessageHook (*setMessageHook)(platform::MessageHook);
    PickerHook (*setPickerHook)(PickerHook);
    PopupMenuHook (*setPopupMenuHook)(PopupMenuHook);
    platform::ProgramHook (*setProgramHook)(platform::ProgramHook);
    platform::AssociationHook (*setAssociationHook)(platform::AssociationHook);
    // The library's own windows: each module keeps its own table of the
    // objects behind its windows, and its own pre-translate chain.
    Window* (*fromHandle)(HWND);
    bool (*preTranslateChain)(MSG*);
    // The library's file writes (a full disk, a failing one).
    platform::WriteHook (*setWriteHook)(platform::WriteHook);
};

// The host program's export: void VastrelHookHost(const ui::HookSetters*).
// The setters are valid only while the library stays loaded.
constexpr char kHookHostExport[] = "VastrelHookHost";
using HookHost = void (*)(const HookSetters*);

// Offers this module's hook setters to the program that loaded it, when the
// program asks for them; does nothing inside the program's own module and on
// every further call. Not for the loader lock (DllMain): call it from the
// library's first real call.
void OfferHooksToHost();

}  // namespace ui
