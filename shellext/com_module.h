#pragma once
// The COM server plumbing of the library: its lock count, the class factory
// of each class it serves, and its object map.
//
// Every live object, every class factory that a client holds, and every
// LockServer(TRUE) holds one lock; the library may be unloaded when none is
// held. The class factories live as long as the library; their reference
// counts tell whether a client holds them.
#include <windows.h>

#include <objbase.h>

#include <memory>
#include <string>
#include <vector>

class ComModule {
public:
    // One class of the object map: its identifier and how one of its objects
    // is made and asked for an interface (the object's own reference is
    // released again, so a failed request leaves nothing alive).
    struct ObjectEntry {
        const CLSID* clsid;
        HRESULT (*create)(REFIID iid, void** out);
    };

    ComModule(const ObjectEntry* map, size_t count);
    ~ComModule();
    ComModule(const ComModule&) = delete;
    ComModule& operator=(const ComModule&) = delete;

    // The library's instance, kept from its entry point.
    void Init(HINSTANCE instance) { m_instance = instance; }
    void Term() {}
    HINSTANCE Instance() const { return m_instance; }

    LONG Lock();
    // Lets one lock go; never below none, whatever a client does.
    LONG Unlock();
    LONG LockCount() const;

    // The class factory of a class of the map, asked for the interface;
    // CLASS_E_CLASSNOTAVAILABLE for any other class.
    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out);

    // The library's full path; empty when the system cannot tell.
    std::wstring ModulePathW() const;

private:
    class Factory;
    HINSTANCE m_instance = nullptr;
    volatile LONG m_locks = 0;
    std::vector<std::unique_ptr<Factory>> m_factories;
};

// The library's one module (defined with its object map in corvane.cpp).
ComModule& Module();

// A registry form of a GUID: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case.
std::string GuidText(const GUID& guid);

// A GUID from the bare text that IDL's uuid() takes, at compile time.
constexpr unsigned HexDigit(char c) {
    return c >= '0' && c <= '9' ? static_cast<unsigned>(c - '0')
           : c >= 'a' && c <= 'f' ? static_cast<unsigned>(c - 'a' + 10)
           : c >= 'A' && c <= 'F' ? static_cast<unsigned>(c - 'A' + 10)
                                  : throw "not a hexadecimal digit";
}
constexpr unsigned long HexValue(const char* text, int from, int digits) {
    unsigned long value = 0;
    for (int i = 0; i < digits; ++i) value = value * 16 + HexDigit(text[from + i]);
    return value;
}
constexpr GUID GuidFromText(const char (&t)[37]) {
    return GUID{static_cast<unsigned long>(HexValue(t, 0, 8)),
                static_cast<unsigned short>(HexValue(t, 9, 4)),
                static_cast<unsigned short>(HexValue(t, 14, 4)),
                {static_cast<unsigned char>(HexValue(t, 19, 2)), static_cast<unsigned char>(HexValue(t, 21, 2)),
                 static_cast<unsigned char>(HexValue(t, 24, 2)), static_cast<unsigned char>(HexValue(t, 26, 2)),
                 static_cast<unsigned char>(HexValue(t, 28, 2)), static_cast<unsigned char>(HexValue(t, 30, 2)),
                 static_cast<unsigned char>(HexValue(t, 32, 2)), static_cast<unsigned char>(HexValue(t, 34, 2))}};
}
