#pragma once
// quillon.Class1: the object a client creates for every exchange. It holds
// nothing; each call goes to the process-wide StoreRegistry, which keeps the
// stores and folders between instances. Late-bound only: the four DISPIDs
// below, DISPATCH_METHOD, positional arguments.
#include <windows.h>
#include <oaidl.h>

#include "framework/ComObject.h"

namespace quillon_com {

// {19297311-B4FF-42D3-BEDA-C11681A58B0E}
inline constexpr CLSID kMailParserClsid = {
    0x19297311, 0xb4ff, 0x42d3, {0xbe, 0xda, 0xc1, 0x16, 0x81, 0xa5, 0x8b, 0x0e}};
inline constexpr const wchar_t* kMailParserProgId = L"quillon.Class1";

enum : DISPID {
    kDispOpen = 0x60030000,           // no arguments; answers a VARIANT
    kDispCreateStore = 0x60030001,    // BSTR* path, BSTR* display name
    kDispCreateFolder = 0x60030002,   // BSTR* folder path
    kDispImportMessage = 0x60030003,  // BSTR* x7, short*, BSTR* x2
};

class CMailParserObject final : public ComObject<CMailParserObject, IDispatch> {
public:
    BEGIN_COM_MAP(CMailParserObject)
        COM_INTERFACE(IDispatch)
    END_COM_MAP()

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

private:
    HRESULT Dispatch(DISPID id, WORD flags, const DISPPARAMS* parameters, VARIANT* result, UINT* argumentError);
};

}  // namespace quillon_com
