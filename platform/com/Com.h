#pragma once

// Stands in for the parts of COM the system uses: HRESULTs, GUIDs, the
// IUnknown/IDispatch base, BSTR strings, CoInitialize counting and a
// process-wide class-object registry from which CoCreateInstance creates
// objects. Interfaces are abstract classes whose declaration order is their
// vtable slot order.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace platform {

using HRESULT = int32_t;
using LONG = int32_t;
using ULONG = uint32_t;
using VARIANT_BOOL = int16_t;
using BSTR = char16_t*;

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);
constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154);

inline bool SUCCEEDED(HRESULT hr) {
    return hr >= 0;
}
inline bool FAILED(HRESULT hr) {
    return hr < 0;
}

struct GUID {
    uint32_t data1;
    uint16_t data2, data3;
    uint8_t data4[8];
    bool operator==(const GUID&) const = default;
};
using IID = GUID;
using CLSID = GUID;

constexpr IID IID_IUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr IID IID_IDispatch{0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

class IUnknown {
public:
    virtual HRESULT QueryInterface(const IID& iid, void** object) = 0; // slot 0
    virtual ULONG AddRef() = 0;                                        // slot 1
    virtual ULONG Release() = 0;                                       // slot 2

protected:
    ~IUnknown() = default;
};

// Automation is not used through these slots here; they keep the vtable
// layout of the interfaces that derive from it.
class IDispatch : public IUnknown {
public:
    virtual HRESULT GetTypeInfoCount(unsigned* count) = 0;                      // slot 3
    virtual HRESULT GetTypeInfo(unsigned index, ULONG locale, void** info) = 0; // slot 4
    virtual HRESULT GetIDsOfNames(const IID& iid, char16_t** names, unsigned count, ULONG locale,
                                  LONG* ids) = 0; // slot 5
    virtual HRESULT Invoke(LONG id, const IID& iid, ULONG locale, uint16_t flags, void* params,
                           void* result, void* exception, unsigned* argError) = 0; // slot 6

protected:
    ~IDispatch() = default;
};

// BSTR: UTF-16 with its byte length stored before the text, NUL-terminated.
BSTR SysAllocString(std::u16string_view text);
void SysFreeString(BSTR text);
size_t SysStringLen(BSTR text);

// Owns one BSTR. Out parameters take Out(); Shift_JIS converts both ways.
class BStr {
public:
    BStr() = default;
    explicit BStr(std::u16string_view text) : text_(SysAllocString(text)) {}
    static BStr FromSjis(std::string_view sjis);
    ~BStr() { SysFreeString(text_); }
    BStr(const BStr&) = delete;
    BStr& operator=(const BStr&) = delete;
    BStr(BStr&& other) noexcept : text_(other.text_) { other.text_ = nullptr; }
    BStr& operator=(BStr&& other) noexcept {
        std::swap(text_, other.text_);
        return *this;
    }

    BSTR get() const { return text_; }
    BSTR* Out() {
        SysFreeString(text_);
        text_ = nullptr;
        return &text_;
    }
    std::u16string_view view() const {
        return text_ ? std::u16string_view(text_, SysStringLen(text_)) : u"";
    }
    std::string ToSjis() const;

private:
    BSTR text_ = nullptr;
};

// Owns one reference to an interface.
template <class T> class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
    ComPtr& operator=(ComPtr&& other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    void reset() {
        if (p_) p_->Release();
        p_ = nullptr;
    }
    // For functions that hand out a new reference.
    void** Out() {
        reset();
        return reinterpret_cast<void**>(&p_);
    }

private:
    T* p_ = nullptr;
};

// Per thread, counted: every successful CoInitialize needs a CoUninitialize.
HRESULT CoInitialize(void* reserved);
void CoUninitialize();

// Makes a new object and answers QueryInterface(iid) on it.
using ClassFactory = std::function<HRESULT(const IID& iid, void** object)>;
void CoRegisterClassObject(const CLSID& clsid, ClassFactory factory);
void CoRevokeClassObject(const CLSID& clsid);
// Fails with CO_E_NOTINITIALIZED on a thread without CoInitialize, with
// REGDB_E_CLASSNOTREG when nobody serves the class.
HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, ULONG context, const IID& iid,
                         void** object);

// "[80004005]"-style hexadecimal for messages.
std::string HResultText(HRESULT hr);

} // namespace platform
