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

static void regsLine(uint32_t eax, uint32_t ebx, uint32_t esi, uint32_t edi, uint32_t ebp)
{
    static const char *names[5] = {"eax", "ebx", "esi", "edi", "ebp"};
    uint32_t want[5] = {eax, ebx, esi, edi, ebp};
    int bad = 0;
    for (int i = 0; i < 5; ++i) {
        if (zv_cont_regs[i] != want[i]) {
            if (!bad)
                fputs("regs bad", stdout);
            printf(" %s=0x%08X", names[i], (unsigned)zv_cont_regs[i]);
            bad = 1;
        }
    }
    if (zv_cont_regs[5] != zv_place_esp) {
        if (!bad)
            fputs("regs bad", stdout);
        printf(" esp=%+d", (int)(zv_cont_regs[5] - zv_place_esp));
        bad = 1;
    }
    puts(bad ? "" : "regs ok");
}

static void stackLine(void)
{
    if (zv_call_esp_after != zv_call_esp)
        printf("stack bad %+d\n", (int)(zv_call_esp_after - zv_call_esp));
}

static int isListSlot(unsigned n)
{
    return (n >= 5 && n <= 15) || (n >= 184 && n <= 192);
}

static void printResult(unsigned slot, void *result)
{
    if (!result) {
        puts("null");
    } else if (slot >= 193 && slot <= 196) {
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
static char *args[8];

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
        printf("language %d tag %u name ", i, (unsigned)link->item->tag);
        putEscaped(link->item->text);
        putchar('\n');
    }
    regsLine(zv_cont_regs[0], ZV_SENT_EBX, ZV_SENT_ESI, (uint32_t)(uintptr_t)control, ZV_SENT_EBP);
    for (ZvLink *link = control->first, *next; link; link = next) {
        next = link->next;
        free(link->item);
        free(link);
    }
    free(control);
}

static void commandObject(uint32_t value)
{
    memset(owner, 0xAA, sizeof owner);
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
    regsLine((uint32_t)(uintptr_t)object, 0, ZV_SENT_ESI, (uint32_t)(uintptr_t)owner,
             (uint32_t)(uintptr_t)zv_object_frame);
}

static void commandSlot(void **table, void *object, int first)
{
    unsigned long n, arg = 0;
    if (!number(first, &n) || n > 199 || (n == 14 && !number(first + 1, &arg))) {
        puts("error slot arguments");
        return;
    }
    void *result = zv_call_method(object, table[n], n == 14, (int)arg);
    printResult((unsigned)n, result);
    stackLine();
}

static int run(void)
{
    char line[1024];
    while (fgets(line, sizeof line, stdin)) {
        line[strcspn(line, "\r\n")] = 0;
        argCount = 0;
        for (char *t = strtok(line, " \t"); t && argCount < 8; t = strtok(NULL, " \t"))
            args[argCount++] = t;
        if (argCount == 0 || args[0][0] == '#')
            continue;
        const char *c = args[0];
        unsigned long a, b;
        if (!strcmp(c, "quit")) {
            break;
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
            regsLine((uint32_t)r, ZV_SENT_EBX, ZV_SENT_ESI, ZV_SENT_EDI, ZV_SENT_EBP);
        } else if (!strcmp(c, "set") && number(1, &a)) {
            printf("set %d\n", zv_call_set_language(&zv_language_manager, (int)a));
            stackLine();
        } else if (!strcmp(c, "reload")) {
            zv_call_reload_trigger();
            printf("reload runs %u\n", (unsigned)zv_reload_runs);
            stackLine();
        } else if (!strcmp(c, "object") && number(1, &a)) {
            commandObject((uint32_t)a);
        } else if (!strcmp(c, "slot")) {
            if (!currentObject)
                puts("error no object");
            else
                commandSlot(*(void ***)currentObject, currentObject, 1);
        } else if (!strcmp(c, "tslot") && number(1, &a) && a < 9) {
            commandSlot(zvGameLanguages[a].methodTable, owner, 2);
        } else if (!strcmp(c, "res") && number(1, &a)) {
            ZvString s = {0};
            int r = zv_call_load_res_string(&s, (int)a);
            printf("res %d ", r);
            putEscaped(s.text ? s.text : "");
            putchar('\n');
            stackLine();
            free(s.text);
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
        } else if (!strcmp(c, "dump") && number(1, &a) && number(2, &b) && b <= 256) {
            const BYTE *p = (const BYTE *)(uintptr_t)a;
            MEMORY_BASIC_INFORMATION mi;
            if (!VirtualQuery(p, &mi, sizeof mi) || mi.State != MEM_COMMIT ||
                (const BYTE *)mi.BaseAddress + mi.RegionSize < p + b) {
                puts("error dump unmapped");
                continue;
            }
            printf("dump 0x%08lX ", a);
            for (unsigned long i = 0; i < b; ++i)
                printf("%02x", p[i]);
            putchar('\n');
        } else {
            printf("error unknown %s\n", c);
        }
        fflush(stdout);
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
