// glossmith_langdef holds the built-in stock table (:/rcdata/LANGDEF), made by the build
// from the game double with the makedef tool. The library needs one source of its own.
namespace GlossmithLangdef {
int linked = 1;
}
