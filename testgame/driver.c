/* ZV.exe as a test driver: reads commands from standard input, one a line, does what the
 * game would do and prints one result line per fact (format: README.md). */
#include "game.h"

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

/* ---- message boxes: answered here, recorded for the "boxes" command ---- */
typedef struct Box {
    char *caption;
    char *text;
    unsigned style;
} Box;
static Box boxes[256];
static int boxCount;

static char *copyText(const char *s)
{
    s = s ? s : "";
    char *c = malloc(strlen(s) + 1);
    if (c)
        strcpy(c, s);
    return c;
}

static int WINAPI recordMessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style)
{
    (void)owner;
    if (boxCount < 256) {
        boxes[boxCount].caption = copyText(caption);
        boxes[boxCount].text = copyText(text);
        boxes[boxCount].style = style;
        ++boxCount;
    }
    return IDOK;
}

static char *narrow(LPCWSTR w)
{
    size_t n = w ? wcslen(w) : 0;
    char *s = malloc(n + 1);
    if (!s)
        return NULL;
    for (size_t i = 0; i < n; ++i)
        s[i] = w[i] < 0x100 ? (char)w[i] : '?';
    s[n] = 0;
    return s;
}

static int WINAPI recordMessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT style)
{
    char *t = narrow(text), *c = narrow(caption);
    int r = recordMessageBoxA(owner, t, c, style);
    free(t);
    free(c);
    return r;
}

/* Puts a jump to replacement over the entry of a function of user32. */
static int redirect(const char *name, void *replacement)
{
    HMODULE user32 = LoadLibraryA("user32.dll");
    BYTE *entry = user32 ? (BYTE *)GetProcAddress(user32, name) : NULL;
    DWORD old;
    if (!entry || !VirtualProtect(entry, 5, PAGE_EXECUTE_READWRITE, &old))
        return 0;
    entry[0] = 0xE9;
    int32_t rel = (int32_t)((BYTE *)replacement - (entry + 5));
    memcpy(entry + 1, &rel, 4);
    VirtualProtect(entry, 5, old, &old);
    FlushInstructionCache(GetCurrentProcess(), entry, 5);
    return 1;
}

/* ---- output ---- */
static void putEscaped(const char *s)
{
    for (const unsigned char *p = (const unsigned char *)s; *p; ++p) {
        if (*p == '\\')
            fputs("\\\\", stdout);
        else if (*p >= 0x20 && *p < 0x7F)
            putchar(*p);
        else
            printf("\\x%02x", *p);
    }
}

#define REG(r) (1u << (r))
#define CALLEE_SAVED (REG(ZV_EBX) | REG(ZV_ESI) | REG(ZV_EDI) | REG(ZV_EBP))

/* Compares the registers recorded after code that may be a module's ran (found) with what
 * the game's convention wants, for the registers in mask: "regs bad" and every difference
 * (ESP as the difference in bytes), else "regs ok" when printOk is set. */
static void registersLine(const volatile uint32_t *found, const uint32_t want[ZV_REGS], unsigned mask, int printOk)
{
    static const char *names[ZV_REGS] = {"eax", "ebx", "esi", "edi", "ebp", "esp", "top"};
    int bad = 0;
    for (int i = 0; i < ZV_REGS; ++i) {
        if (!(mask & REG(i)) || found[i] == want[i])
            continue;
        fputs(bad ? " " : "regs bad ", stdout);
        if (i == ZV_ESP)
            printf("esp=%+d", (int)(found[i] - want[i]));
        else
            printf("%s=0x%08X", names[i], (unsigned)found[i]);
        bad = 1;
    }
    if (bad)
        putchar('\n');
    else if (printOk)
        puts("regs ok");
}

/* At the continuation of a place: ESP and the word on top of the stack as at the place. */
static void placeLine(unsigned mask, uint32_t eax, uint32_t ebx, uint32_t esi, uint32_t edi, uint32_t ebp)
{
    const uint32_t want[ZV_REGS] = {eax, ebx, esi, edi, ebp, zv_place_esp, ZV_SENT_TOP};
    registersLine(zv_cont_regs, want, mask | REG(ZV_ESP) | REG(ZV_TOP), 1);
}

/* After a call through zv_call_*: the sentinels kept, the stack arguments removed. */
static void callLine(void)
{
    const uint32_t want[ZV_REGS] = {0, ZV_SENT_EBX, ZV_SENT_ESI, ZV_SENT_EDI, ZV_SENT_EBP, zv_call_esp, 0};
    registersLine(zv_call_regs, want, CALLEE_SAVED | REG(ZV_ESP), 0);
}

static void breachLines(void)
{
    for (int i = 0; i < zv_breach_count; ++i)
        printf("breach %s\n", zv_breaches[i]);
    zv_breach_count = 0;
}

static int isCellSlot(unsigned long n)
{
    return n >= 193 && n <= 196;
}

static int isListSlot(unsigned n)
{
    return (n >= 5 && n <= 15) || (n >= 184 && n <= 192);
}

static void printResult(unsigned slot, void *result)
{
    if (!result) {
        puts("null");
    } else if (isCellSlot(slot)) {
        printf("cell 0x%08X value 0x%08X\n", (unsigned)(uintptr_t)result, *(unsigned *)result);
    } else if (isListSlot(slot)) {
        char **list = result;
        int n = 0;
        while (list[n])
            ++n;
        printf("list %d\n", n);
        for (int i = 0; i < n; ++i) {
            printf("line %d ", i);
            putEscaped(list[i]);
            putchar('\n');
        }
    } else {
        fputs("string ", stdout);
        putEscaped(result);
        putchar('\n');
    }
}

/* ---- commands ---- */
static HMODULE module;
static void *currentObject;
static uint8_t owner[0x100];

static int argCount;
static char *words[8];
static char **args = words;

static int number(int i, unsigned long *value)
{
    if (i >= argCount)
        return 0;
    char *end;
    *value = strtoul(args[i], &end, 0);
    return *end == 0;
}

static void modulePath(const char *name, char *path, size_t cap)
{
    if (strchr(name, '\\') || strchr(name, '/') || strchr(name, ':')) {
        snprintf(path, cap, "%s", name);
        return;
    }
    char exe[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, exe, sizeof exe);
    exe[n < sizeof exe ? n : sizeof exe - 1] = 0;
    char *slash = strrchr(exe, '\\');
    if (slash)
        slash[1] = 0;
    else
        exe[0] = 0;
    snprintf(path, cap, "%s%s", exe, name);
}

static void commandLanguages(void)
{
    ZvListControl *control = calloc(1, sizeof *control);
    zv_own_list_runs = 0;
    zv_list_function(control);
    printf("languages %d\n", (int)control->count);
    int i = 0;
    for (ZvLink *link = control->first; link && i < control->count; link = link->next, ++i) {
        printf("language %d tag %u at 0x%08X name ", i, (unsigned)link->item->tag,
               (unsigned)(uintptr_t)link->item->text);
        putEscaped(link->item->text);
        putchar('\n');
    }
    placeLine(CALLEE_SAVED, 0, ZV_SENT_EBX, ZV_SENT_ESI, (uint32_t)(uintptr_t)control, ZV_SENT_EBP);
    for (ZvLink *link = control->first, *next; link; link = next) {
        next = link->next;
        free(link->item);
        free(link);
    }
    free(control);
}

/* The object of the language-object place is one 4-byte block of the game's allocator, and
 * none is asked for when the value is above 255. */
static void allocationLines(uint32_t value)
{
    uint32_t want = value > 255 ? 0 : 1;
    if (zv_alloc_count != want)
        printf("breach allocator calls %u\n", (unsigned)zv_alloc_count);
    for (uint32_t i = 0; i < zv_alloc_count && i < ZV_ALLOC_LOG; ++i)
        if (zv_alloc_sizes[i] != 4)
            printf("breach allocator size 0x%08X\n", (unsigned)zv_alloc_sizes[i]);
}

static void commandObject(uint32_t value)
{
    memset(owner, 0xAA, sizeof owner);
    zv_alloc_count = 0;
    void *object = zv_object_function(value, owner);
    void *stored;
    memcpy(&stored, owner + 0x94, 4);
    if (object) {
        printf("object 0x%08X table 0x%08X\n", (unsigned)(uintptr_t)object, (unsigned)(uintptr_t) * (void **)object);
        currentObject = object;
    } else {
        puts("object null");
    }
    if (stored != object)
        printf("owner bad 0x%08X\n", (unsigned)(uintptr_t)stored);
    placeLine(REG(ZV_EAX) | CALLEE_SAVED, (uint32_t)(uintptr_t)object, 0, ZV_SENT_ESI, (uint32_t)(uintptr_t)owner,
              (uint32_t)(uintptr_t)zv_object_frame);
    allocationLines(value);
}

/* slot/tslot, and with a value to write (setcell) a cell slot whose cell gets it. */
static void commandSlot(void **table, void *object, int first, int write)
{
    unsigned long n, arg = 0, value = 0;
    if (!number(first, &n) || n > 199 || (n == 14 && !number(first + 1, &arg)) ||
        (write && (!isCellSlot(n) || !number(first + 1, &value)))) {
        puts("error slot arguments");
        return;
    }
    void *result = zv_call_method(object, table[n], n == 14, (int)arg);
    if (write && result)
        *(uint32_t *)result = (uint32_t)value;
    printResult((unsigned)n, result);
    callLine();
}

static void printResString(int result, const char *text)
{
    printf("res %d ", result);
    putEscaped(text);
    putchar('\n');
}

static int command(void);

/* repeat <count> <command>: the command, count times; 0 when it was quit. */
static int commandRepeat(unsigned long count)
{
    char **outer = args;
    int outerCount = argCount, go = 1;
    for (unsigned long i = 0; go && i < count; ++i) {
        args = outer + 2;
        argCount = outerCount - 2;
        go = command();
    }
    args = outer;
    argCount = outerCount;
    return go;
}

/* Runs the command in args; 0 when it ends the driver. Breaches that the game's functions
 * saw while it ran follow its output, which is flushed then. */
static int command(void)
{
    const char *c = args[0];
    unsigned long a, b;
    if (!strcmp(c, "quit")) {
        return 0;
    } else if (!strcmp(c, "echo")) {
        for (int i = 1; i < argCount; ++i)
            printf(i > 1 ? " %s" : "%s", args[i]);
        putchar('\n');
    } else if (!strcmp(c, "load")) {
        char path[MAX_PATH * 2];
        modulePath(argCount > 1 ? args[1] : "Verbatrix.dll", path, sizeof path);
        HMODULE h = LoadLibraryA(path);
        if (h) {
            module = h;
            printf("load ok\n");
        } else {
            printf("load failed %lu\n", (unsigned long)GetLastError());
        }
    } else if (!strcmp(c, "unload")) {
        if (!module)
            puts("unload none");
        else if (FreeLibrary(module))
            puts("unload ok");
        else
            puts("unload failed");
        module = NULL;
    } else if (!strcmp(c, "languages")) {
        commandLanguages();
    } else if (!strcmp(c, "choose") && number(1, &a)) {
        int r = zv_choice_function((int)a);
        printf("choose %d\n", r);
        placeLine(REG(ZV_EAX) | CALLEE_SAVED, (uint32_t)r, ZV_SENT_EBX, ZV_SENT_ESI, ZV_SENT_EDI, ZV_SENT_EBP);
    } else if (!strcmp(c, "set") && number(1, &a)) {
        printf("set %d\n", zv_call_set_language(&zv_language_manager, (int)a));
        callLine();
    } else if (!strcmp(c, "reload")) {
        zv_call_reload_trigger();
        printf("reload runs %u\n", (unsigned)zv_reload_runs);
        callLine();
    } else if (!strcmp(c, "object") && number(1, &a)) {
        commandObject((uint32_t)a);
    } else if (!strcmp(c, "slot") || !strcmp(c, "setcell")) {
        if (!currentObject)
            puts("error no object");
        else
            commandSlot(*(void ***)currentObject, currentObject, 1, !strcmp(c, "setcell"));
    } else if (!strcmp(c, "tslot") && number(1, &a) && a < 9) {
        commandSlot(zvGameLanguages[a].methodTable, owner, 2, 0);
    } else if (!strcmp(c, "res") && number(1, &a)) {
        ZvString s = {0};
        int r = zv_call_load_res_string(&s, (int)a);
        printResString(r, s.text ? s.text : "");
        callLine();
        free(s.text);
    } else if (!strcmp(c, "tres") && number(1, &a) && a < 9 && number(2, &b)) {
        static char text[65536];
        int n = game_find_resource_string(zvGameLanguages[a].languageCode, (uint32_t)b, text, sizeof text);
        printResString(n >= 0, n >= 0 ? text : "");
    } else if (!strcmp(c, "arena")) {
        printf("arena 0x%08X\n", (unsigned)game_arena_next());
    } else if (!strcmp(c, "repeat") && number(1, &a) && argCount > 2) {
        return commandRepeat(a);
    } else if (!strcmp(c, "state")) {
        printf("state index %u code 0x%04X\n", (unsigned)zv_language_manager.currentIndex,
               (unsigned)zv_language_code);
    } else if (!strcmp(c, "boxes")) {
        printf("boxes %d\n", boxCount);
        for (int i = 0; i < boxCount; ++i) {
            printf("box %d style 0x%X caption ", i, boxes[i].style);
            putEscaped(boxes[i].caption ? boxes[i].caption : "");
            fputs(" text ", stdout);
            putEscaped(boxes[i].text ? boxes[i].text : "");
            putchar('\n');
        }
    } else if (!strcmp(c, "protect") && number(1, &a)) {
        MEMORY_BASIC_INFORMATION mi;
        if (!VirtualQuery((const void *)(uintptr_t)a, &mi, sizeof mi) || mi.State != MEM_COMMIT)
            puts("error protect unmapped");
        else
            printf("protect 0x%08lX 0x%lX\n", a, (unsigned long)mi.Protect);
    } else if (!strcmp(c, "dump") && number(1, &a) && number(2, &b) && b <= 256) {
        const BYTE *p = (const BYTE *)(uintptr_t)a;
        MEMORY_BASIC_INFORMATION mi;
        if (!VirtualQuery(p, &mi, sizeof mi) || mi.State != MEM_COMMIT ||
            (const BYTE *)mi.BaseAddress + mi.RegionSize < p + b) {
            puts("error dump unmapped");
        } else {
            printf("dump 0x%08lX ", a);
            for (unsigned long i = 0; i < b; ++i)
                printf("%02x", p[i]);
            putchar('\n');
        }
    } else {
        printf("error unknown %s\n", c);
    }
    breachLines();
    fflush(stdout);
    return 1;
}

static int run(void)
{
    char line[1024];
    while (fgets(line, sizeof line, stdin)) {
        line[strcspn(line, "\r\n")] = 0;
        args = words;
        argCount = 0;
        for (char *t = strtok(line, " \t"); t && argCount < 8; t = strtok(NULL, " \t"))
            args[argCount++] = t;
        if (argCount == 0 || args[0][0] == '#')
            continue;
        if (!command())
            break;
    }
    fflush(stdout);
    return 0;
}

static LONG WINAPI reportCrash(EXCEPTION_POINTERS *e)
{
    printf("crash 0x%08lX at 0x%08lX\n", (unsigned long)e->ExceptionRecord->ExceptionCode,
           (unsigned long)(uintptr_t)e->ExceptionRecord->ExceptionAddress);
    fflush(stdout);
    ExitProcess(3);
    return EXCEPTION_EXECUTE_HANDLER;
}

int main(void)
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(reportCrash);
    setvbuf(stdout, NULL, _IOFBF, 1 << 16);
    if (!redirect("MessageBoxA", (void *)recordMessageBoxA) || !redirect("MessageBoxW", (void *)recordMessageBoxW))
        puts("error message boxes not redirected");
    return run();
}
