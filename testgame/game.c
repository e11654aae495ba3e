/* The game's own functions behind the fixed-address entries of game.S. */
#include "game.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

_Static_assert(offsetof(ZvListControl, first) == 0x3CC, "first link at 0x3CC");
_Static_assert(offsetof(ZvListControl, count) == 0x3D4, "item count at 0x3D4");
_Static_assert(offsetof(ZvLink, item) == 8, "item pointer at 8");
_Static_assert(offsetof(ZvListItem, tag) == 4, "item tag at 4");
_Static_assert(offsetof(ZvLanguageManager, currentIndex) == 4, "current index at 4");

#define A(x) ((void *)(uintptr_t)(x))

const ZvGameLanguage zvGameLanguages[9] = {
    {A(0x5DCD7C), A(0x606C30), 0x0416}, /* 0 */
    {A(0x5E1BCC), A(0x606910), 0x0407}, /* 1 */
    {A(0x5E1BE8), A(0x607590), 0x0410}, /* 2 */
    {A(0x5E1BD4), A(0x607270), 0x0C0A}, /* 3 */
    {A(0x5E1BF4), A(0x606F50), 0x0413}, /* 4 */
    {A(0x5E1C08), A(0x6078B0), 0x041D}, /* 5 */
    {A(0x5E1BDC), A(0x6065F0), 0x040C}, /* 6 */
    {A(0x5DCD3C), A(0x6062D8), 0x0809}, /* 7 */
    {A(0x5E1C00), A(0x607BD0), 0x0419}, /* 8 */
};
const int zvGameListOrder[9] = {1, 7, 3, 6, 2, 4, 0, 8, 5};

volatile uint32_t zv_cont_regs[ZV_REGS];
volatile uint32_t zv_place_esp;
volatile uint32_t zv_call_regs[ZV_REGS];
volatile uint32_t zv_call_esp;
volatile uint32_t zv_own_list_runs;
uint8_t zv_object_frame[0xF400];
volatile uint32_t zv_reload_runs;

char zv_breaches[ZV_BREACH_MAX][ZV_BREACH_TEXT];
int zv_breach_count;
uint32_t zv_alloc_count;
uint32_t zv_alloc_sizes[ZV_ALLOC_LOG];

/* Notes a breach of the game's conventions for the driver. */
static void breach(const char *format, ...)
{
    if (zv_breach_count == ZV_BREACH_MAX)
        return;
    va_list args;
    va_start(args, format);
    vsnprintf(zv_breaches[zv_breach_count++], ZV_BREACH_TEXT, format, args);
    va_end(args);
}

/* The list-item adder's only caller argument is always 1000. */
#define LIST_ITEM_ARGUMENT 1000

int game_add_list_item(ZvListControl *control, const char *text, int arg)
{
    if (arg != LIST_ITEM_ARGUMENT)
        breach("list-item adder argument %d", arg);
    ZvLink *link = calloc(1, sizeof *link);
    ZvListItem *item = calloc(1, sizeof *item);
    if (!link || !item) {
        free(link);
        free(item);
        return -1;
    }
    item->text = text;
    link->item = item;
    if (control->last)
        control->last->next = link;
    else
        control->first = link;
    control->last = link;
    return control->count++;
}

char *game_string_buffer(ZvString *object, uint32_t n, uint32_t edx)
{
    if (edx != 0)
        breach("string-buffer edx 0x%08X", (unsigned)edx);
    if (n + 1 > object->capacity) {
        char *grown = realloc(object->text, n + 1);
        if (!grown)
            return NULL;
        object->text = grown;
        object->capacity = n + 1;
    }
    object->length = n;
    object->text[n] = 0;
    return object->text;
}

/* One byte of the game's character set for a UTF-16 unit of a string resource. */
static char gameChar(WCHAR u)
{
    if (u < 0x100)
        return (char)u;
    if (u >= 0x410 && u <= 0x44F)
        return (char)zv_cyrillic_map[u - 0x410];
    return '?';
}

/* Walks the image's own resource directory: exact ids and an exact language, no fall-back. */
static const IMAGE_RESOURCE_DIRECTORY_ENTRY *findEntry(const IMAGE_RESOURCE_DIRECTORY *dir, WORD id)
{
    const IMAGE_RESOURCE_DIRECTORY_ENTRY *e = (const IMAGE_RESOURCE_DIRECTORY_ENTRY *)(dir + 1);
    unsigned n = dir->NumberOfNamedEntries + dir->NumberOfIdEntries;
    for (unsigned i = 0; i < n; ++i)
        if (!e[i].NameIsString && e[i].Id == id)
            return &e[i];
    return NULL;
}

int game_find_resource_string(uint16_t languageCode, uint32_t id, char *out, size_t cap)
{
    const BYTE *image = (const BYTE *)GetModuleHandleA(NULL);
    const IMAGE_NT_HEADERS32 *nt = (const IMAGE_NT_HEADERS32 *)(image + ((const IMAGE_DOS_HEADER *)image)->e_lfanew);
    const IMAGE_DATA_DIRECTORY *dd = &nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_RESOURCE];
    if (id > 0xFFFF || !dd->VirtualAddress)
        return -1;
    const BYTE *root = image + dd->VirtualAddress;
    WORD path[3] = {6 /* RT_STRING */, (WORD)(id / 16 + 1), languageCode};
    const IMAGE_RESOURCE_DIRECTORY *dir = (const IMAGE_RESOURCE_DIRECTORY *)root;
    const IMAGE_RESOURCE_DIRECTORY_ENTRY *e = NULL;
    for (int level = 0; level < 3; ++level) {
        e = findEntry(dir, path[level]);
        if (!e)
            return -1;
        if (level < 2) {
            if (!e->DataIsDirectory)
                return -1;
            dir = (const IMAGE_RESOURCE_DIRECTORY *)(root + e->OffsetToDirectory);
        }
    }
    if (e->DataIsDirectory)
        return -1;
    const IMAGE_RESOURCE_DATA_ENTRY *data = (const IMAGE_RESOURCE_DATA_ENTRY *)(root + e->OffsetToData);
    const WCHAR *p = (const WCHAR *)(image + data->OffsetToData);
    const WCHAR *end = p + data->Size / 2;
    for (uint32_t i = 0; i < id % 16 && p < end; ++i)
        p += 1 + *p;
    if (p >= end || *p == 0)
        return -1;
    uint32_t count = *p++;
    size_t n = 0;
    for (uint32_t i = 0; i < count && p + i < end && n + 1 < cap; ++i)
        out[n++] = gameChar(p[i]);
    out[n] = 0;
    return (int)n;
}

int game_load_res_string(ZvString *object, uint32_t id, uint32_t ecx)
{
    static char text[65536];
    if (ecx != (uint32_t)(uintptr_t)object)
        breach("string-resource loader ecx 0x%08X", (unsigned)ecx);
    int n = game_find_resource_string(zv_language_code, id & 0xFFFF, text, sizeof text);
    char *buffer = game_string_buffer(object, n < 0 ? 0 : (uint32_t)n, 0);
    if (!buffer)
        return 0;
    if (n < 0)
        return 0;
    memcpy(buffer, text, (size_t)n + 1);
    return 1;
}

int game_set_language(ZvLanguageManager *manager, uint32_t index)
{
    if (index > 8 || manager->currentIndex == index)
        return 0;
    manager->currentIndex = index;
    zv_language_code = zvGameLanguages[index].languageCode;
    return 1;
}

void game_reload_trigger(void)
{
    ++zv_reload_runs;
}

void game_fill_language_list(ZvListControl *control)
{
    for (int k = 0; k < 9; ++k) {
        int id = zvGameListOrder[k];
        int index = zv_call_list_item_adder(zvGameLanguages[id].name, control, LIST_ITEM_ARGUMENT);
        ZvLink *link = control->first;
        for (int i = 0; link && i < index; ++i)
            link = link->next;
        if (index >= 0 && link)
            link->item->tag = (uint32_t)id;
    }
}

/* The game's allocator hands out blocks of one arena that is never given back, so the
 * addresses of a run are the same every time. */
static uint8_t arena[1 << 20];
static uint32_t used;

uintptr_t game_arena_next(void)
{
    return (uintptr_t)(arena + used);
}

void *game_alloc(uint32_t size)
{
    if (zv_alloc_count < ZV_ALLOC_LOG)
        zv_alloc_sizes[zv_alloc_count] = size;
    ++zv_alloc_count;
    uint32_t need = size ? (size + 7) & ~7u : 8;
    if (size > sizeof arena || need > sizeof arena - used)
        return NULL;
    void *block = arena + used;
    used += need;
    return block;
}

void *game_make_language_object(uint32_t value)
{
    if (value > 255)
        return NULL;
    void **object = zv_call_allocator(4);
    if (object) {
        uint32_t index = zv_language_manager.currentIndex;
        *object = index < 9 ? zvGameLanguages[index].methodTable : NULL;
    }
    return object;
}

char **game_slot14_beyond(uint32_t languageId, uint32_t n)
{
    static char text[48];
    static char *list[2] = {text, NULL};
    snprintf(text, sizeof text, "Argument %u of language %u", (unsigned)n, (unsigned)languageId);
    return list;
}
