#include "platform/com/Com.h"

#include "platform/text/Cp932.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <vector>

namespace platform {

BSTR SysAllocString(std::u16string_view text) {
    // The length prefix sits just before the characters, as in COM.
    auto* block =
        static_cast<char*>(::operator new(sizeof(uint32_t) + (text.size() + 1) * sizeof(char16_t)));
    auto bytes = static_cast<uint32_t>(text.size() * sizeof(char16_t));
    std::memcpy(block, &bytes, sizeof bytes);
    auto* chars = reinterpret_cast<char16_t*>(block + sizeof(uint32_t));
    std::memcpy(chars, text.data(), text.size() * sizeof(char16_t));
    chars[text.size()] = u'\0';
    return chars;
}

void SysFreeString(BSTR text) {
    if (text) ::operator delete(reinterpret_cast<char*>(text) - sizeof(uint32_t));
}

size_t SysStringLen(BSTR text) {
    if (!text) return 0;
    uint32_t bytes;
    std::memcpy(&bytes, reinterpret_cast<char*>(text) - sizeof(uint32_t), sizeof bytes);
    return bytes / sizeof(char16_t);
}

BStr BStr::FromSjis(std::string_view sjis) {
    return BStr(SjisToUtf16(sjis));
}

std::string BStr::ToSjis() const {
    return Utf16ToSjis(view());
}

namespace {

thread_local int initCount = 0;

struct ClassRegistry {
    std::mutex mutex;
    std::vector<std::pair<CLSID, ClassFactory>> factories;
};

ClassRegistry& classes() {
    static ClassRegistry r;
    return r;
}

} // namespace

HRESULT CoInitialize(void*) {
    return initCount++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
    if (initCount > 0) --initCount;
}

void CoRegisterClassObject(const CLSID& clsid, ClassFactory factory) {
    ClassRegistry& r = classes();
    std::lock_guard lock(r.mutex);
    for (auto& entry : r.factories) {
        if (entry.first == clsid) {
            entry.second = std::move(factory);
            return;
        }
    }
    r.factories.emplace_back(clsid, std::move(factory));
}

void CoRevokeClassObject(const CLSID& clsid) {
    ClassRegistry& r = classes();
    std::lock_guard lock(r.mutex);
    std::erase_if(r.factories, [&](const auto& entry) { return entry.first == clsid; });
}

HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, ULONG, const IID& iid,
                         void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return E_NOTIMPL;
    if (initCount == 0) return CO_E_NOTINITIALIZED;
    ClassFactory factory;
    {
        ClassRegistry& r = classes();
        std::lock_guard lock(r.mutex);
        for (const auto& entry : r.factories)
            if (entry.first == clsid) factory = entry.second;
    }
    if (!factory) return REGDB_E_CLASSNOTREG;
    return factory(iid, object);
}

std::string HResultText(HRESULT hr) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%x", static_cast<unsigned>(hr));
    return buffer;
}

} // namespace platform
