#include "DialogTemplate.h"

#include <cstring>

namespace b8test {
namespace {

constexpr WORD kExtendedSignature = 0xFFFF;
constexpr WORD kOrdinalMark = 0xFFFF;

// Sequential reader over the template bytes; every read fails once past the end.
class Reader {
public:
    Reader(const void* data, size_t size) : m_base(static_cast<const BYTE*>(data)), m_size(size) {}

    bool ok() const { return m_ok; }

    template <typename T> T Read() {
        T value{};
        if (m_pos + sizeof(T) > m_size) {
            m_ok = false;
            return value;
        }
        memcpy(&value, m_base + m_pos, sizeof(T));
        m_pos += sizeof(T);
        return value;
    }

    std::wstring ReadString() {
        std::wstring text;
        for (WORD c = Read<WORD>(); m_ok && c != 0; c = Read<WORD>())
            text.push_back(static_cast<wchar_t>(c));
        return text;
    }

    // sz_Or_Ord: 0 = none, 0xFFFF + ordinal, or a string.
    std::wstring ReadNameOrOrdinal(WORD* ordinal) {
        *ordinal = 0;
        WORD first = Read<WORD>();
        if (!m_ok || first == 0)
            return {};
        if (first == kOrdinalMark) {
            *ordinal = Read<WORD>();
            return {};
        }
        std::wstring text(1, static_cast<wchar_t>(first));
        return text + ReadString();
    }

    void Skip(size_t n) {
        if (m_pos + n > m_size)
            m_ok = false;
        else
            m_pos += n;
    }
    // Items start on a DWORD boundary of the template.
    void AlignDword() { Skip((4 - m_pos % 4) % 4); }

private:
    const BYTE* m_base;
    size_t m_size;
    size_t m_pos = 0;
    bool m_ok = true;
};

std::wstring PredefinedClass(WORD atom) {
    switch (atom) {
    case 0x80:
        return L"Button";
    case 0x81:
        return L"Edit";
    case 0x82:
        return L"Static";
    case 0x83:
        return L"ListBox";
    case 0x84:
        return L"ScrollBar";
    case 0x85:
        return L"ComboBox";
    default:
        return L"#" + std::to_wstring(atom);
    }
}

// Predefined classes by their one spelling, whether the template names them by atom or by a
// string in any case ("BUTTON" from a CONTROL statement).
std::wstring CanonicalClass(const std::wstring& name, WORD atom) {
    if (name.empty())
        return PredefinedClass(atom);
    for (WORD predefined = 0x80; predefined <= 0x85; ++predefined) {
        std::wstring canonical = PredefinedClass(predefined);
        if (_wcsicmp(name.c_str(), canonical.c_str()) == 0)
            return canonical;
    }
    return name;
}

RECT MakeRect(short x, short y, short cx, short cy) {
    return RECT{x, y, x + cx, y + cy};
}

} // namespace

const DialogItem* DialogTemplate::Find(int id) const {
    for (const DialogItem& item : items)
        if (item.id == id)
            return &item;
    return nullptr;
}

bool ParseDialogTemplate(const void* data, size_t size, DialogTemplate* out) {
    *out = DialogTemplate{};
    Reader r(data, size);
    WORD version = r.Read<WORD>();
    WORD signature = r.Read<WORD>();
    out->extended = version == 1 && signature == kExtendedSignature;
    WORD count = 0;
    if (out->extended) {
        r.Read<DWORD>(); // help id
        out->exStyle = r.Read<DWORD>();
        out->style = r.Read<DWORD>();
    } else {
        r = Reader(data, size);
        out->style = r.Read<DWORD>();
        out->exStyle = r.Read<DWORD>();
    }
    count = r.Read<WORD>();
    out->x = r.Read<short>();
    out->y = r.Read<short>();
    out->cx = r.Read<short>();
    out->cy = r.Read<short>();
    WORD ordinal = 0;
    out->menu = r.ReadNameOrOrdinal(&ordinal);
    out->className = r.ReadNameOrOrdinal(&ordinal);
    out->title = r.ReadString();
    if (out->style & (DS_SETFONT | DS_SHELLFONT)) {
        out->pointSize = r.Read<WORD>();
        if (out->extended) {
            r.Read<WORD>(); // weight
            r.Read<BYTE>(); // italic
            r.Read<BYTE>(); // charset
        }
        out->faceName = r.ReadString();
    }
    for (WORD i = 0; i < count && r.ok(); ++i) {
        r.AlignDword();
        DialogItem item;
        short x, y, cx, cy;
        if (out->extended) {
            r.Read<DWORD>(); // help id
            item.exStyle = r.Read<DWORD>();
            item.style = r.Read<DWORD>();
            x = r.Read<short>(), y = r.Read<short>(), cx = r.Read<short>(), cy = r.Read<short>();
            item.id = static_cast<int>(r.Read<DWORD>());
        } else {
            item.style = r.Read<DWORD>();
            item.exStyle = r.Read<DWORD>();
            x = r.Read<short>(), y = r.Read<short>(), cx = r.Read<short>(), cy = r.Read<short>();
            item.id = r.Read<short>(); // 16-bit: 0xFFFF is -1
        }
        item.rect = MakeRect(x, y, cx, cy);
        std::wstring className = r.ReadNameOrOrdinal(&ordinal);
        item.className = CanonicalClass(className, ordinal);
        item.text = r.ReadNameOrOrdinal(&ordinal);
        if (item.text.empty() && ordinal)
            item.text = L"#" + std::to_wstring(ordinal);
        WORD extra = r.Read<WORD>();
        r.Skip(extra);
        if (r.ok())
            out->items.push_back(item);
    }
    return r.ok() && out->items.size() == count;
}

namespace {

struct EnumState {
    HMODULE module;
    std::map<int, ModuleDialog>* dialogs;
    std::vector<int>* failed;
};

BOOL CALLBACK OnLanguage(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language,
                         LONG_PTR param) {
    auto* state = reinterpret_cast<EnumState*>(param);
    int id = static_cast<int>(reinterpret_cast<ULONG_PTR>(name));
    HRSRC res = ::FindResourceExW(module, type, name, language);
    HGLOBAL handle = res ? ::LoadResource(module, res) : nullptr;
    const void* data = handle ? ::LockResource(handle) : nullptr;
    ModuleDialog entry;
    entry.language = language;
    if (data && ParseDialogTemplate(data, ::SizeofResource(module, res), &entry.dialog) &&
        !state->dialogs->count(id))
        (*state->dialogs)[id] = entry;
    else if (state->failed)
        state->failed->push_back(id);
    return TRUE;
}

BOOL CALLBACK OnName(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR param) {
    if (IS_INTRESOURCE(name))
        ::EnumResourceLanguagesW(module, type, name, OnLanguage, param);
    return TRUE;
}

} // namespace

std::map<int, ModuleDialog> LoadModuleDialogs(HMODULE module, std::vector<int>* failed) {
    std::map<int, ModuleDialog> dialogs;
    EnumState state{module, &dialogs, failed};
    ::EnumResourceNamesW(module, RT_DIALOG, OnName, reinterpret_cast<LONG_PTR>(&state));
    return dialogs;
}

} // namespace b8test
