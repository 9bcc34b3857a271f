// Job files read with the Windows XML DOM, created by its ProgID.
#include <windows.h>
#include <msxml2.h>
#include <objbase.h>
#include <oleauto.h>

#include <string>

#include "cli/parse.h"
#include "platform/message_box.h"

namespace Vastrel2 {
namespace {

// Holds one interface reference and releases it.
template <class T>
class ComRef {
public:
    ComRef() = default;
    explicit ComRef(T* p) : m_p(p) {}
    ~ComRef() { Reset(); }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ComRef(ComRef&& other) noexcept : m_p(other.m_p) { other.m_p = nullptr; }
    ComRef& operator=(ComRef&& other) noexcept {
        if (this != &other) {
            Reset();
            m_p = other.m_p;
            other.m_p = nullptr;
        }
        return *this;
    }
    void Reset() {
        if (m_p) m_p->Release();
        m_p = nullptr;
    }
    T** Out() {
        Reset();
        return &m_p;
    }
    T* operator->() const { return m_p; }
    T* Get() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

private:
    T* m_p = nullptr;
};

class Bstr {
public:
    Bstr() = default;
    explicit Bstr(const std::wstring& text) : m_b(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ~Bstr() { SysFreeString(m_b); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR* Out() {
        SysFreeString(m_b);
        m_b = nullptr;
        return &m_b;
    }
    BSTR Get() const { return m_b; }

private:
    BSTR m_b = nullptr;
};

std::wstring Wide(const std::string& text) {
    if (text.empty()) return std::wstring();
    int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
    return wide;
}

std::string Narrow(const wchar_t* text, size_t length) {
    if (!text || length == 0) return std::string();
    int n = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), &narrow[0], n, nullptr, nullptr);
    return narrow;
}

std::string Narrow(BSTR text) { return Narrow(text, text ? SysStringLen(text) : 0); }

// COM for the thread, for as long as the job file is being read.
class ComScope {
public:
    ComScope() : m_ok(SUCCEEDED(CoInitialize(nullptr))) {}
    ~ComScope() {
        if (m_ok) CoUninitialize();
    }

private:
    bool m_ok;
};

class JobFileReader {
public:
    JobFileReader(const std::string& path, std::vector<ParseSettings>& jobs)
        : m_path(path), m_jobs(jobs), m_prefix("Unable to open XML file \"" + path + "\": ") {}

    void Read() {
        ComRef<IXMLDOMDocument> document = CreateDocument();
        Check(document->put_async(VARIANT_FALSE));
        Bstr widePath(Wide(m_path));
        VARIANT source;
        VariantInit(&source);
        source.vt = VT_BSTR;
        source.bstrVal = widePath.Get();
        VARIANT_BOOL loaded = VARIANT_FALSE;
        HRESULT hr = document->load(source, &loaded);
        if (FAILED(hr) || loaded != VARIANT_TRUE) throw JobFileError(m_prefix + LoadError(document.Get()));

        ComRef<IXMLDOMElement> root;
        Check(document->get_documentElement(root.Out()));
        if (!root) throw JobFileError(m_prefix + "the file holds no element");
        ComRef<IXMLDOMNode> rootNode;
        Check(root->QueryInterface(IID_IXMLDOMNode, reinterpret_cast<void**>(rootNode.Out())));
        Walk(rootNode.Get());
    }

private:
    ComRef<IXMLDOMDocument> CreateDocument() {
        ComRef<IXMLDOMDocument> document;
        CLSID clsid;
        HRESULT hr = CLSIDFromProgID(L"MSXML2.FreeThreadedDOMDocument", &clsid);
        if (SUCCEEDED(hr))
            hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                                  reinterpret_cast<void**>(document.Out()));
        if (FAILED(hr) || !document) {
            platform::ShowMessage("Failed to create the XML DOM", "Configuration Error", platform::kMbOk);
            throw JobFileError(m_prefix + "Failed to create the XML DOM");
        }
        return document;
    }

    std::string LoadError(IXMLDOMDocument* document) {
        ComRef<IXMLDOMParseError> error;
        Bstr reason;
        long line = 0;
        if (SUCCEEDED(document->get_parseError(error.Out())) && error) {
            error->get_reason(reason.Out());
            error->get_line(&line);
        }
        std::string text = Narrow(reason.Get());
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
        if (text.empty()) text = "the file is not an XML document";
        if (line > 0) text += " (line " + std::to_string(line) + ")";
        return text;
    }

    void Check(HRESULT hr) {
        if (FAILED(hr)) {
            char code[16];
            wsprintfA(code, "0x%08lX", static_cast<unsigned long>(hr));
            throw JobFileError(m_prefix + "the XML reader reported error " + code);
        }
    }

    DOMNodeType TypeOf(IXMLDOMNode* node) {
        DOMNodeType type = NODE_INVALID;
        Check(node->get_nodeType(&type));
        return type;
    }

    std::string NameOf(IXMLDOMNode* node) {
        Bstr name;
        Check(node->get_nodeName(name.Out()));
        return Narrow(name.Get());
    }

    // The text of an element: its first child's, which must be text; an
    // element without children gives a single blank.
    std::string ValueOf(IXMLDOMNode* element, const std::string& name) {
        ComRef<IXMLDOMNode> first;
        Check(element->get_firstChild(first.Out()));
        if (!first) return " ";
        if (TypeOf(first.Get()) != NODE_TEXT) throw JobFileError(m_prefix + "the element \"" + name + "\" does not hold text");
        VARIANT value;
        VariantInit(&value);
        Check(first->get_nodeValue(&value));
        std::string text = value.vt == VT_BSTR ? Narrow(value.bstrVal) : std::string();
        VariantClear(&value);
        return text;
    }

    void ReadProject(IXMLDOMNode* project) {
        m_jobs.emplace_back();
        ParseSettings& settings = m_jobs.back();
        ComRef<IXMLDOMNode> child;
        Check(project->get_firstChild(child.Out()));
        while (child) {
            if (TypeOf(child.Get()) == NODE_ELEMENT) {
                std::string name = NameOf(child.Get());
                if (IsJobElementName(name)) TakeJobElement(settings, name, ValueOf(child.Get(), name));
            }
            ComRef<IXMLDOMNode> next;
            Check(child->get_nextSibling(next.Out()));
            child = std::move(next);
        }
    }

    // Depth first, each element before its children, children in document
    // order; no recursion, so deep documents cannot exhaust the stack.
    void Walk(IXMLDOMNode* root) {
        root->AddRef();
        ComRef<IXMLDOMNode> node(root);
        while (node) {
            bool element = TypeOf(node.Get()) == NODE_ELEMENT;
            if (element && NameOf(node.Get()) == "project") ReadProject(node.Get());
            ComRef<IXMLDOMNode> next;
            if (element) Check(node->get_firstChild(next.Out()));
            while (!next && node.Get() != root) {
                Check(node->get_nextSibling(next.Out()));
                if (next) break;
                ComRef<IXMLDOMNode> parent;
                Check(node->get_parentNode(parent.Out()));
                if (!parent) break;
                node = std::move(parent);
                if (IsSame(node.Get(), root)) break;
            }
            node = std::move(next);
        }
    }

    static bool IsSame(IXMLDOMNode* a, IXMLDOMNode* b) {
        // Two references to one node may be different interface pointers:
        // compare their identities.
        IUnknown* ua = nullptr;
        IUnknown* ub = nullptr;
        a->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&ua));
        b->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&ub));
        bool same = ua == ub;
        if (ua) ua->Release();
        if (ub) ub->Release();
        return same;
    }

    const std::string& m_path;
    std::vector<ParseSettings>& m_jobs;
    std::string m_prefix;
};

}  // namespace

void ReadJobFile(const std::string& path, std::vector<ParseSettings>& jobs) {
    ComScope com;
    JobFileReader(path, jobs).Read();
}

}  // namespace Vastrel2
