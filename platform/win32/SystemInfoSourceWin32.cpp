#include "platform/WmiSource.h"

#include "text/Codec.h"

#include <objbase.h>
#include <oleauto.h>
#include <wbemcli.h>
#include <windows.h>

#include <string>

namespace tg::platform {

namespace {

const CLSID kClsidWbemLocator = {
    0x4590F811, 0x1D3A, 0x11D0, {0x89, 0x1F, 0x00, 0xAA, 0x00, 0x4B, 0x2E, 0x24}};
const IID kIidWbemLocator = {
    0xDC12A687, 0x737F, 0x11CF, {0x88, 0x4D, 0x00, 0xAA, 0x00, 0x4B, 0x2E, 0x24}};

// This thread's membership of the multithreaded apartment; it ends when the source and every
// enumerator and object it handed out are gone.
struct ComSession {
    ~ComSession() { CoUninitialize(); }
};

BSTR toBstr(TextView text, UINT codePage, DWORD flags) {
    int n = MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()),
                                nullptr, 0);
    BSTR out = SysAllocStringLen(nullptr, static_cast<UINT>(n));
    if (out && n > 0)
        MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), out, n);
    return out;
}

Text bstrText(BSTR s) {
    if (!s)
        return {};
    return utf16ToCp932(std::u16string_view(reinterpret_cast<const char16_t*>(s), SysStringLen(s)));
}

// The value changed to a boolean, as VariantChangeType does it; none when it does not change.
std::optional<bool> asBoolean(const VARIANT& value) {
    VARIANT copy;
    VariantInit(&copy);
    std::optional<bool> result;
    if (SUCCEEDED(VariantChangeType(&copy, const_cast<VARIANT*>(&value), 0, VT_BOOL)))
        result = copy.boolVal != VARIANT_FALSE;
    VariantClear(&copy);
    return result;
}

// An element of a variant as text, by the system's own conversion.
Text variantText(VARIANT& element) {
    if (element.vt == VT_BSTR)
        return bstrText(element.bstrVal);
    VARIANT text;
    VariantInit(&text);
    Text out;
    if (SUCCEEDED(VariantChangeType(&text, &element, 0, VT_BSTR)))
        out = bstrText(text.bstrVal);
    VariantClear(&text);
    return out;
}

std::vector<Text> arrayElements(SAFEARRAY* array, VARTYPE elementType) {
    std::vector<Text> out;
    LONG low = 0, high = -1;
    if (!array || SafeArrayGetDim(array) < 1 || FAILED(SafeArrayGetLBound(array, 1, &low)) ||
        FAILED(SafeArrayGetUBound(array, 1, &high)))
        return out;
    for (LONG i = low; i <= high; ++i) {
        VARIANT element;
        VariantInit(&element);
        HRESULT hr = E_FAIL;
        if (elementType == VT_VARIANT) {
            hr = SafeArrayGetElement(array, &i, &element);
        } else if (elementType == VT_BSTR) {
            element.vt = VT_BSTR;
            hr = SafeArrayGetElement(array, &i, &element.bstrVal);
        } else if (elementType != VT_DECIMAL && elementType != VT_RECORD &&
                   SafeArrayGetElemsize(array) <= sizeof element.llVal) {
            // Scalars fit the variant's eight data bytes; interfaces are added a reference to.
            element.vt = elementType;
            hr = SafeArrayGetElement(array, &i, &element.llVal);
        }
        if (FAILED(hr))
            element.vt = VT_EMPTY;
        out.push_back(variantText(element));
        VariantClear(&element);
    }
    return out;
}

WmiValue convert(VARIANT& value) {
    if (value.vt & VT_ARRAY) {
        SAFEARRAY* array =
            (value.vt & VT_BYREF) ? (value.pparray ? *value.pparray : nullptr) : value.parray;
        return WmiValue::array(arrayElements(array, value.vt & VT_TYPEMASK));
    }
    switch (value.vt) {
    case VT_BSTR: {
        WmiValue v = WmiValue::string(bstrText(value.bstrVal));
        v.boolean = asBoolean(value);
        return v;
    }
    case VT_NULL:
    case VT_EMPTY:
        return WmiValue::null();
    case VT_BOOL:
        return WmiValue::fromBool(value.boolVal != VARIANT_FALSE);
    default:
        return WmiValue::other(asBoolean(value));
    }
}

class WinObject : public WmiObject {
public:
    WinObject(std::shared_ptr<ComSession> session, IWbemClassObject* object)
        : session_(std::move(session)), object_(object) {}
    ~WinObject() override { object_->Release(); }
    WinObject(const WinObject&) = delete;
    WinObject& operator=(const WinObject&) = delete;

    std::optional<WmiValue> readWmiProperty(TextView name) override {
        std::wstring wide(name.begin(), name.end()); // property names are ASCII
        VARIANT value;
        VariantInit(&value);
        std::optional<WmiValue> result;
        if (SUCCEEDED(object_->Get(wide.c_str(), 0, &value, nullptr, nullptr)))
            result = convert(value);
        VariantClear(&value);
        return result;
    }

private:
    std::shared_ptr<ComSession> session_;
    IWbemClassObject* object_;
};

class WinEnumerator : public WmiEnumerator {
public:
    WinEnumerator(std::shared_ptr<ComSession> session, IEnumWbemClassObject* objects)
        : session_(std::move(session)), objects_(objects) {}
    ~WinEnumerator() override { objects_->Release(); }
    WinEnumerator(const WinEnumerator&) = delete;
    WinEnumerator& operator=(const WinEnumerator&) = delete;

    std::unique_ptr<WmiObject> nextWmiObject() override {
        IWbemClassObject* object = nullptr;
        ULONG returned = 0;
        HRESULT hr = objects_->Next(WBEM_NO_WAIT, 1, &object, &returned);
        if (hr != WBEM_S_NO_ERROR || !object) {
            if (object)
                object->Release();
            return nullptr;
        }
        return std::make_unique<WinObject>(session_, object);
    }

private:
    std::shared_ptr<ComSession> session_;
    IEnumWbemClassObject* objects_;
};

class WinSource : public WmiSource {
public:
    WinSource() = default;
    WinSource(const WinSource&) = delete;
    WinSource& operator=(const WinSource&) = delete;
    ~WinSource() override { closeWmiConnection(); }

    OpenResult openWmiConnection() override {
        if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)))
            return OpenResult::InitFailed;
        session_ = std::make_shared<ComSession>();
        queryLanguage_ = SysAllocString(L"WQL");
        if (FAILED(CoCreateInstance(kClsidWbemLocator, nullptr, CLSCTX_INPROC_SERVER,
                                    kIidWbemLocator, reinterpret_cast<void**>(&locator_)))) {
            locator_ = nullptr;
            return OpenResult::LocatorFailed;
        }
        return OpenResult::Opened;
    }

    bool connectWmiNamespace() override {
        if (!locator_)
            return false;
        BSTR resource = SysAllocString(L"root\\cimv2");
        HRESULT hr = locator_->ConnectServer(resource, nullptr, nullptr, nullptr, 0, nullptr,
                                             nullptr, &services_);
        SysFreeString(resource);
        if (FAILED(hr))
            services_ = nullptr;
        return SUCCEEDED(hr);
    }

    std::unique_ptr<WmiEnumerator> runWqlQuery(TextView wql) override {
        if (!services_)
            return nullptr;
        BSTR text = toBstr(wql, CP_ACP, MB_PRECOMPOSED);
        IEnumWbemClassObject* objects = nullptr;
        HRESULT hr =
            services_->ExecQuery(queryLanguage_, text, WBEM_FLAG_FORWARD_ONLY, nullptr, &objects);
        SysFreeString(text);
        if (FAILED(hr) || !objects)
            return nullptr;
        return std::make_unique<WinEnumerator>(session_, objects);
    }

    // The apartment is left once the last enumerator and object are gone as well.
    void closeWmiConnection() override {
        if (services_)
            services_->Release();
        services_ = nullptr;
        if (locator_)
            locator_->Release();
        locator_ = nullptr;
        SysFreeString(queryLanguage_);
        queryLanguage_ = nullptr;
        session_.reset();
    }

private:
    std::shared_ptr<ComSession> session_;
    BSTR queryLanguage_ = nullptr;
    IWbemLocator* locator_ = nullptr;
    IWbemServices* services_ = nullptr;
};

} // namespace

std::unique_ptr<WmiSource> createSystemInfoSource() {
    return std::make_unique<WinSource>();
}

} // namespace tg::platform
