#include "quillon/MailParserDispatch.h"

#include <string>

#include "quillon/DispatchArguments.h"
#include "quillon/core/StoreRegistry.h"
#include "text/Utf8.h"

namespace quillon_com {

namespace {

int ExpectedArgumentCount(DISPID id) {
    switch (id) {
    case kDispOpen:
        return 0;
    case kDispCreateStore:
        return 2;
    case kDispCreateFolder:
        return 1;
    case kDispImportMessage:
        return 10;
    default:
        return -1;
    }
}

void AnswerText(VARIANT* result, const std::string& utf8) {
    if (!result) return;
    ::VariantInit(result);
    std::wstring wide = mailbox::FromUtf8(utf8);
    BSTR text = ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    if (!text) throw ComError(E_OUTOFMEMORY);
    result->vt = VT_BSTR;
    result->bstrVal = text;
}

}  // namespace

HRESULT CMailParserObject::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT CMailParserObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
}

// The component is called by DISPID only; it publishes no names.
HRESULT CMailParserObject::GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) {
    for (UINT i = 0; ids && i < count; ++i) ids[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}

HRESULT CMailParserObject::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* parameters, VARIANT* result,
                                  EXCEPINFO*, UINT* argumentError) {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    return ComBoundary(L"quillon.Class1", [&] { return Dispatch(id, flags, parameters, result, argumentError); });
}

HRESULT CMailParserObject::Dispatch(DISPID id, WORD flags, const DISPPARAMS* parameters, VARIANT* result,
                                    UINT* argumentError) {
    const int expected = ExpectedArgumentCount(id);
    if (expected < 0 || !(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    DispatchArguments arguments(parameters);
    if (arguments.hasNamed()) return DISP_E_NONAMEDARGS;
    if (arguments.count() != static_cast<UINT>(expected)) return DISP_E_BADPARAMCOUNT;

    std::wstring texts[10];
    for (UINT i = 0; i < arguments.count(); ++i) {
        short flag = 0;
        bool typed = id == kDispImportMessage && i == 7 ? arguments.Short(i, flag) : arguments.Text(i, texts[i]);
        if (!typed) {
            if (argumentError) *argumentError = arguments.RawPosition(i);
            return DISP_E_TYPEMISMATCH;
        }
    }

    using mailbox::ToUtf8;
    quillon::StoreRegistry& registry = quillon::StoreRegistry::Instance();
    switch (id) {
    case kDispOpen:
        AnswerText(result, "OK");
        break;
    case kDispCreateStore:
        AnswerText(result, registry.CreateStore(ToUtf8(texts[0]), ToUtf8(texts[1])).text);
        break;
    case kDispCreateFolder:
        AnswerText(result, registry.CreateFolder(ToUtf8(texts[0])).text);
        break;
    case kDispImportMessage: {
        quillon::MessageRequest request;
        request.folderPath = ToUtf8(texts[0]);
        request.attachmentName = ToUtf8(texts[1]);
        request.owner = ToUtf8(texts[2]);
        request.emlPath = ToUtf8(texts[3]);
        request.sourceTimeText = ToUtf8(texts[4]);
        request.messageText = ToUtf8(texts[6]);
        AnswerText(result, registry.ImportMessage(request).text);
        break;
    }
    }
    return S_OK;
}

}  // namespace quillon_com
