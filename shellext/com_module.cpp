#include "shellext/com_module.h"

#include <cstdio>
#include <new>

// The factory of one class. It lives inside the module, so its references
// count nothing; LockServer holds the module.
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
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

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
            m_module.Lock();
        } else {
            m_module.Unlock();
        }
        return S_OK;
    }

private:
    ComModule& m_module;
    ObjectEntry m_entry;
};

ComModule::ComModule(const ObjectEntry* map, size_t count) {
    for (size_t i = 0; i < count; ++i) m_factories.push_back(std::make_unique<Factory>(*this, map[i]));
}

ComModule::~ComModule() = default;

LONG ComModule::Lock() { return InterlockedIncrement(&m_locks); }

LONG ComModule::Unlock() { return InterlockedDecrement(&m_locks); }

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
