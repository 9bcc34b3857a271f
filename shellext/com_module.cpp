#include "shellext/com_module.h"

#include <cstdio>
#include <new>

namespace {

// Takes one from the count unless it is at zero; true when it did. The
// count after the call goes to after.
bool DecrementAboveZero(volatile LONG& count, LONG& after) {
    for (;;) {
        LONG now = count;
        if (now <= 0) {
            after = 0;
            return false;
        }
        if (InterlockedCompareExchange(&count, now - 1, now) == now) {
            after = now - 1;
            return true;
        }
    }
}

}  // namespace

// The factory of one class. It lives inside the module; while any client
// holds it, and for every LockServer(TRUE) it answered, it holds the module.
// Releases and unlocks beyond those it counted change nothing, so a client
// that lets go too often cannot free the library under another one.
class ComModule::Factory : public IClassFactory {
public:
    Factory(ComModule& module, const ObjectEntry& entry) : m_module(module), m_entry(entry) {}
    virtual ~Factory() = default;

    const ObjectEntry& Entry() const { return m_entry; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        LONG refs = InterlockedIncrement(&m_refs);
        if (refs == 1) m_module.Lock();
        return static_cast<ULONG>(refs);
    }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG refs = 0;
        if (DecrementAboveZero(m_refs, refs) && refs == 0) m_module.Unlock();
        return static_cast<ULONG>(refs);
    }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        try {
            return m_entry.create(iid, out);
        } catch (...) {
            *out = nullptr;
            return E_FAIL;
        }
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) {
            InterlockedIncrement(&m_serverLocks);
            m_module.Lock();
        } else {
            LONG left = 0;
            if (DecrementAboveZero(m_serverLocks, left)) m_module.Unlock();
        }
        return S_OK;
    }

private:
    ComModule& m_module;
    ObjectEntry m_entry;
    volatile LONG m_refs = 0;
    volatile LONG m_serverLocks = 0;
};

ComModule::ComModule(const ObjectEntry* map, size_t count) {
    for (size_t i = 0; i < count; ++i) m_factories.push_back(std::make_unique<Factory>(*this, map[i]));
}

ComModule::~ComModule() = default;

LONG ComModule::Lock() { return InterlockedIncrement(&m_locks); }

LONG ComModule::Unlock() {
    LONG left = 0;
    DecrementAboveZero(m_locks, left);
    return left;
}

LONG ComModule::LockCount() const { return m_locks; }

HRESULT ComModule::GetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    for (const auto& factory : m_factories) {
        if (IsEqualCLSID(clsid, *factory->Entry().clsid)) return factory->QueryInterface(iid, out);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

std::wstring ComModule::ModulePathW() const {
    // The path may be longer than the classic limit: grow until it fits.
    for (DWORD size = MAX_PATH; size <= 32768; size *= 2) {
        std::wstring path(size, L'\0');
        DWORD n = GetModuleFileNameW(m_instance, &path[0], size);
        if (n == 0) return std::wstring();
        if (n < size) {
            path.resize(n);
            return path;
        }
    }
    return std::wstring();
}

std::string GuidText(const GUID& g) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2],
                  g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}
