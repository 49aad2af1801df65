#include "ResourceReader.h"

#include "TestSupport.h"

namespace {

// The stored heads of a dialog template, as the platform documents them
// (DLGTEMPLATE and DLGITEMTEMPLATE, DLGTEMPLATEEX and DLGITEMTEMPLATEEX), with
// the names they share spelled alike so one reader takes both.
#pragma pack(push, 2)
struct DialogHead {
    DWORD style;
    DWORD exStyle;
    WORD itemCount;
    short x, y, cx, cy;
};

struct DialogItemHead {
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;
    WORD id;
};

struct DialogHeadEx {
    WORD version;
    WORD signature;
    DWORD helpId;
    DWORD exStyle;
    DWORD style;
    WORD itemCount;
    short x, y, cx, cy;
};

struct DialogItemHeadEx {
    DWORD helpId;
    DWORD exStyle;
    DWORD style;
    short x, y, cx, cy;
    DWORD id;
};
#pragma pack(pop)

// Walks the variable parts of a dialog template: texts, name-or-number fields
// and the alignment of each item head. Notes when it would read past the end.
class TemplateCursor {
public:
    explicit TemplateCursor(const Resource& resource) : start(resource.data), end(resource.data + resource.size) {}

    bool Overran() const { return overran; }

    // The fixed head of a part, as stored; nullptr past the end.
    template <typename Head>
    const Head* Take()
    {
        if (end - at < static_cast<ptrdiff_t>(sizeof(Head))) {
            overran = true;
            at = end;
            return nullptr;
        }
        const Head* head = reinterpret_cast<const Head*>(at);
        at += sizeof(Head);
        return head;
    }

    WORD Word()
    {
        const WORD* word = Take<WORD>();
        return word != nullptr ? *word : 0;
    }

    std::string Text()
    {
        std::wstring text;
        for (WORD c = Word(); c != 0 && !overran; c = Word()) text += static_cast<wchar_t>(c);
        return Narrow(text);
    }

    // A name-or-number field: empty, "#n" for a number, or the text itself.
    std::string NameOrNumber()
    {
        WORD first = Word();
        if (first == 0) return "";
        if (first == 0xFFFF) return "#" + std::to_string(Word());
        at -= sizeof(WORD);
        return Text();
    }

    // Item heads start on a 4-byte boundary of the template.
    void AlignTo4() { at = start + ((at - start + 3) & ~ptrdiff_t(3)); }

private:
    const BYTE* start;
    const BYTE* end;
    const BYTE* at = start;
    bool overran = false;
};

// The styles and place every head holds, dialog or control, in either layout.
template <typename Part, typename Head>
void TakeStylesAndPlace(Part& part, const Head& head)
{
    part.style = head.style;
    part.exStyle = head.exStyle;
    part.x = head.x, part.y = head.y, part.cx = head.cx, part.cy = head.cy;
}

// Everything after the first bytes, in the layout the first bytes named.
template <typename Head, typename ItemHead>
void ReadParts(TemplateCursor& cursor, DialogTemplate& dialog)
{
    const Head* head = cursor.Take<Head>();
    if (head == nullptr) return;
    TakeStylesAndPlace(dialog, *head);
    dialog.menu = cursor.NameOrNumber();
    dialog.className = cursor.NameOrNumber();
    dialog.title = cursor.Text();
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = cursor.Word();
        if (dialog.extended) {
            dialog.weight = cursor.Word();
            WORD italicAndCharSet = cursor.Word();
            dialog.italic = LOBYTE(italicAndCharSet);
            dialog.charSet = HIBYTE(italicAndCharSet);
        }
        dialog.font = cursor.Text();
    }
    for (int i = 0; i < head->itemCount && !cursor.Overran(); ++i) {
        cursor.AlignTo4();
        const ItemHead* item = cursor.Take<ItemHead>();
        if (item == nullptr) break;
        ControlTemplate control = {};
        TakeStylesAndPlace(control, *item);
        control.id = item->id;
        control.className = cursor.NameOrNumber();
        control.text = cursor.NameOrNumber();
        for (WORD extra = cursor.Word(); extra > 0 && !cursor.Overran(); --extra) cursor.Take<BYTE>();
        dialog.controls.push_back(control);
    }
}

}  // namespace

Resource FindOwnResource(LPCSTR type, int id)
{
    HRSRC found = FindResourceA(Module(), MAKEINTRESOURCEA(id), type);
    if (found == nullptr) return {nullptr, 0};
    const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(Module(), found)));
    if (data == nullptr) return {nullptr, 0};
    return {data, SizeofResource(Module(), found)};
}

std::string Narrow(const std::wstring& text)
{
    if (text.empty()) return "";
    int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(size, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &narrow[0], size, nullptr, nullptr);
    narrow.resize(size - 1);
    return narrow;
}

DialogTemplate ReadDialogTemplate(int id)
{
    Resource resource = FindOwnResource(RT_DIALOG, id);
    DialogTemplate dialog = {};
    dialog.overran = true;
    if (resource.size < 4) return dialog;
    // An extended template starts with version 1 and the signature 0xFFFF.
    const WORD* first = reinterpret_cast<const WORD*>(resource.data);
    dialog.extended = first[0] == 1 && first[1] == 0xFFFF;
    TemplateCursor cursor(resource);
    if (dialog.extended) {
        ReadParts<DialogHeadEx, DialogItemHeadEx>(cursor, dialog);
    } else {
        ReadParts<DialogHead, DialogItemHead>(cursor, dialog);
    }
    dialog.overran = cursor.Overran();
    return dialog;
}
