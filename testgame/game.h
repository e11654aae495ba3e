/* The game's side of the game double: its objects and the functions the fixed-address
 * image (game.S) enters, and the calls into that image with the game's conventions. */
#ifndef ZV_GAME_H
#define ZV_GAME_H

#include <stddef.h>
#include <stdint.h>

/* A string object of the game: the string-buffer function hands out its character buffer. */
typedef struct ZvString {
    char *text;
    uint32_t capacity;
    uint32_t length;
} ZvString;

/* The language list control: an item chain of links, each pointing at an item with a tag. */
typedef struct ZvListItem {
    const char *text;
    uint32_t tag; /* offset 4 */
} ZvListItem;

typedef struct ZvLink {
    struct ZvLink *next; /* offset 0 */
    uint32_t reserved;
    ZvListItem *item; /* offset 8 */
} ZvLink;

typedef struct ZvListControl {
    uint8_t head[0x3CC];
    ZvLink *first; /* offset 0x3CC */
    ZvLink *last;
    int32_t count; /* offset 0x3D4 */
} ZvListControl;

typedef struct ZvLanguageManager {
    uint32_t magic;
    uint32_t currentIndex; /* offset 4 */
} ZvLanguageManager;

/* The game's own languages, indexed by language id. */
typedef struct ZvGameLanguage {
    const char *name;
    void **methodTable;
    uint16_t languageCode;
} ZvGameLanguage;

extern const ZvGameLanguage zvGameLanguages[9];
extern const int zvGameListOrder[9];

/* Fixed places of the image. */
extern ZvLanguageManager zv_language_manager;
extern volatile uint16_t zv_language_code;
extern const uint8_t zv_cyrillic_map[64];

/* Registers recorded after code that may be a module's returned to the game: EAX EBX ESI
 * EDI EBP ESP, and the word on top of the stack. zv_cont_* at the continuation of a place
 * (ESP at the place itself in zv_place_esp), zv_call_* after a call through zv_call_*
 * (ESP before the call, with its stack arguments still to be pushed, in zv_call_esp). */
enum { ZV_EAX, ZV_EBX, ZV_ESI, ZV_EDI, ZV_EBP, ZV_ESP, ZV_TOP, ZV_REGS };
extern volatile uint32_t zv_cont_regs[ZV_REGS];
extern volatile uint32_t zv_place_esp;
extern volatile uint32_t zv_call_regs[ZV_REGS];
extern volatile uint32_t zv_call_esp;
extern volatile uint32_t zv_own_list_runs;
extern uint8_t zv_object_frame[0xF400];
extern volatile uint32_t zv_reload_runs;

/* What the game's callee-saved registers hold when code that may be a module's is entered,
 * and the word on top of the stack at a place. */
#define ZV_SENT_EBX 0x0B0B0B0Bu
#define ZV_SENT_ESI 0x05050505u
#define ZV_SENT_EDI 0x0D0D0D0Du
#define ZV_SENT_EBP 0x0E0E0E0Eu
#define ZV_SENT_TOP 0x7A7A7A7Au

/* Breaches of the game's conventions seen by the game's own functions (an argument a caller
 * got wrong), kept until the driver prints them. */
enum { ZV_BREACH_MAX = 16, ZV_BREACH_TEXT = 96 };
extern char zv_breaches[ZV_BREACH_MAX][ZV_BREACH_TEXT];
extern int zv_breach_count;

/* The requests the allocator has had since zv_alloc_count was last set to 0 (the first
 * ZV_ALLOC_LOG sizes are kept), and where its next block would start. */
enum { ZV_ALLOC_LOG = 8 };
extern uint32_t zv_alloc_count;
extern uint32_t zv_alloc_sizes[ZV_ALLOC_LOG];
uintptr_t game_arena_next(void);

/* The enclosing game functions of the three places (cdecl). */
int zv_choice_function(int id);
void zv_list_function(ZvListControl *control);
void *zv_object_function(uint32_t value, void *owner);

/* Calls through the fixed addresses with the game's register conventions. */
int zv_call_set_language(void *manager, int index);
void zv_call_reload_trigger(void);
int zv_call_load_res_string(ZvString *object, int id);
int zv_call_list_item_adder(const char *text, ZvListControl *control, int arg);
void *zv_call_allocator(uint32_t size);
void *zv_call_method(void *object, void *method, int hasArg, int arg);

/* The game's own work behind its fixed-address entries (called from game.S). */
int game_add_list_item(ZvListControl *control, const char *text, int arg);
char *game_string_buffer(ZvString *object, uint32_t n, uint32_t edx);
int game_load_res_string(ZvString *object, uint32_t id, uint32_t ecx);
int game_set_language(ZvLanguageManager *manager, uint32_t index);
void game_reload_trigger(void);
void game_fill_language_list(ZvListControl *control);
void *game_alloc(uint32_t size);
void *game_make_language_object(uint32_t value);
char **game_slot14_beyond(uint32_t languageId, uint32_t n);

/* The string in the game's own string tables for id in the given LANGID, converted to the
 * game's character set into out (at most cap bytes with its NUL); the length, or -1. */
int game_find_resource_string(uint16_t languageCode, uint32_t id, char *out, size_t cap);

#endif
