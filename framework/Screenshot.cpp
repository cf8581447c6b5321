#include "Screenshot.h"

#include "Handle.h"
#include "Trace.h"

#include <wincodec.h>

#include <vector>

namespace kfw {
namespace {

template <typename T> struct ComPtr {
    T* p = nullptr;
    ~ComPtr() {
        if (p)
            p->Release();
    }
    T** operator&() { return &p; }
    T* operator->() const { return p; }
};

bool EncodePng(const wchar_t* path, UINT width, UINT height, std::vector<BYTE>& bgra) {
    bool comStarted = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    bool ok = false;
    {
        ComPtr<IWICImagingFactory> factory;
        ComPtr<IWICStream> stream;
        ComPtr<IWICBitmapEncoder> encoder;
        ComPtr<IWICBitmapFrameEncode> frame;
        WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
        ok = SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                          IID_IWICImagingFactory,
                                          reinterpret_cast<void**>(&factory))) &&
             SUCCEEDED(factory->CreateStream(&stream)) &&
             SUCCEEDED(stream->InitializeFromFilename(path, GENERIC_WRITE)) &&
             SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
             SUCCEEDED(encoder->Initialize(stream.p, WICBitmapEncoderNoCache)) &&
             SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) &&
             SUCCEEDED(frame->Initialize(nullptr)) && SUCCEEDED(frame->SetSize(width, height)) &&
             SUCCEEDED(frame->SetPixelFormat(&format)) &&
             SUCCEEDED(frame->WritePixels(height, width * 4, static_cast<UINT>(bgra.size()),
                                          bgra.data())) &&
             SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
    }
    if (comStarted)
        ::CoUninitialize();
    return ok;
}

} // namespace

bool SaveWindowPng(HWND hwnd, const wchar_t* path) {
    RECT rc{};
    if (!::IsWindow(hwnd) || !::GetWindowRect(hwnd, &rc))
        return false;
    int width = rc.right - rc.left;
    int height = rc.bottom - rc.top;
    if (width <= 0 || height <= 0)
        return false;
    ::RedrawWindow(hwnd, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);

    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height; // top-down rows
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    CWindowDC screen(nullptr);
    CBitmap dib(::CreateDIBSection(screen, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
    CMemoryDC mem(::CreateCompatibleDC(screen));
    if (!dib || !mem || !bits)
        return false;
    {
        CSelectObject select(mem, dib);
        if (!::BitBlt(mem, 0, 0, width, height, screen, rc.left, rc.top, SRCCOPY))
            return false;
    }
    ::GdiFlush();
    std::vector<BYTE> pixels(static_cast<const BYTE*>(bits),
                             static_cast<const BYTE*>(bits) + size_t(width) * height * 4);
    if (!EncodePng(path, UINT(width), UINT(height), pixels)) {
        Trace("[FW] SaveWindowPng: PNG encoding failed\n");
        return false;
    }
    return true;
}

} // namespace kfw
