#!/usr/bin/perl
# Sample content of the game double ZV.exe, generated deterministically.
#
#   perl zvcontent.pl OUTDIR
#
# writes
#   OUTDIR/content_fixed.s  language names and the nine language method tables at their
#                           fixed addresses in the data section (GNU as, included by game.S)
#   OUTDIR/content_code.s   the methods the tables point at (included in the code section)
#   OUTDIR/content_pool.s   the strings, string lists and cells the methods return, and the
#                           game's Cyrillic letter map (included in the data section)
#   OUTDIR/strings.rc       the string-table resources of the nine languages
#
# The shape of the content (record counts, groups, group lines, which resource ids each
# language holds) is the shape of the real game's stock strings; the texts are our own.
use strict;
use warnings;
use utf8;

my $out = shift or die "usage: zvcontent.pl OUTDIR\n";

# ---- languages, in the order of the stock table ----------------------------------------
# records: resource strings + 206 slot records; lines: total lines of the 33 string lists.
my @langs = (
  { key => 'de', id => 1, code => 0x0407, name => 'Deutsch',    nameAt => 0x5E1BCC, table => 0x606910, records => 1711, lines => 333 },
  { key => 'en', id => 7, code => 0x0809, name => 'English',    nameAt => 0x5DCD3C, table => 0x6062D8, records => 1724, lines => 309 },
  { key => 'es', id => 3, code => 0x0C0A, name => 'Español',    nameAt => 0x5E1BD4, table => 0x607270, records => 1699, lines => 323 },
  { key => 'fr', id => 6, code => 0x040C, name => 'Français',   nameAt => 0x5E1BDC, table => 0x6065F0, records => 1649, lines => 329 },
  { key => 'it', id => 2, code => 0x0410, name => 'Italiano',   nameAt => 0x5E1BE8, table => 0x607590, records => 1626, lines => 313 },
  { key => 'nl', id => 4, code => 0x0413, name => 'Nederlands', nameAt => 0x5E1BF4, table => 0x606F50, records => 1628, lines => 332 },
  { key => 'pt', id => 0, code => 0x0416, name => 'Português',  nameAt => 0x5DCD7C, table => 0x606C30, records => 1627, lines => 333 },
  { key => 'ru', id => 8, code => 0x0419, name => 'Русский',    nameAt => 0x5E1C00, table => 0x607BD0, records => 1722, lines => 309 },
  { key => 'sv', id => 5, code => 0x041D, name => 'Svenska',    nameAt => 0x5E1C08, table => 0x6078B0, records => 1627, lines => 331 },
);
my %byKey = map { $_->{key} => $_ } @langs;
my $SLOT_RECORDS = 206;
my $MAX_TEXT = 725;

# ---- the game's character set for the letters we use -------------------------------------
# ASCII and the Latin-1 letters 0xC0-0xFF keep their values; Cyrillic U+0410-U+044F has
# game bytes of its own (this map is also emitted for the game's resource loader).
# (the values of editor/resources/charset/gamecharset.txt: letters that look like Latin
# ones share the Latin byte)
my @cyrillic = (   # U+0410 + k -> byte
  0x41, 0x80, 0x42, 0x81, 0x82, 0x45, 0x83, 0x84, 0x85, 0x86, 0x4B, 0x87, 0x4D, 0x48, 0x4F, 0x88,   # А-П
  0x50, 0x43, 0x54, 0x89, 0x8A, 0x58, 0x8B, 0x8C, 0x8D, 0x8E, 0x8F, 0x90, 0x91, 0x92, 0x93, 0x94,   # Р-Я
  0x61, 0xA4, 0xA5, 0xA6, 0xA7, 0x65, 0xA8, 0xA9, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF, 0x6F, 0xB0,   # а-п
  0x70, 0x63, 0xB1, 0xB2, 0xB3, 0x78, 0xB4, 0xB5, 0xB6, 0xB7, 0xB8, 0xB9, 0xBA, 0xBB, 0xBC, 0xBD);  # р-я
die unless @cyrillic == 64;
sub gameBytes {
  my ($text) = @_;
  my @b;
  for my $ch (split //, $text) {
    my $u = ord $ch;
    if ($u == 0x0A || ($u >= 0x20 && $u < 0x7F) || ($u >= 0xC0 && $u <= 0xFF)) { push @b, $u; }
    elsif ($u >= 0x410 && $u <= 0x44F) { push @b, $cyrillic[$u - 0x410]; }
    else { die sprintf("character U+%04X has no game byte\n", $u); }
  }
  return @b;
}

# ---- deterministic pseudo-random numbers ---------------------------------------------------
my $seed = 20260;
sub rnd { my ($n) = @_; $seed = ($seed * 1103515245 + 12345) % 2147483648; return int(($seed / 65536) % $n); }
sub pick { my ($list) = @_; return $list->[rnd(scalar @$list)]; }

# ---- vocabulary --------------------------------------------------------------------------
my %words = (
  en => { adj => [qw(ancient brave dark golden hidden iron lost silent swift wild frozen royal)],
          noun => [qw(sword castle river dragon village tower shield forest merchant harbour crown spell)],
          verb => ['guards', 'seeks', 'burns', 'crosses', 'defends', 'summons', 'opens', 'leaves'],
          the => 'the', and => 'and', ui => ['Start game', 'Load game', 'Save game', 'Options', 'Quit', 'Back', 'Continue', 'Sound volume', 'Difficulty'] },
  de => { adj => [qw(alte tapfere dunkle goldene verborgene eiserne stille schnelle wilde gefrorene königliche grüne)],
          noun => [qw(Schwert Burg Brücke Drache Dorf Turm Schild Wald Händler Hafen Krone Straße)],
          verb => ['bewacht', 'sucht', 'überquert', 'verteidigt', 'öffnet', 'verlässt', 'grüßt', 'heißt'],
          the => 'die', and => 'und', ui => ['Spiel starten', 'Spiel laden', 'Spiel speichern', 'Optionen', 'Beenden', 'Zurück', 'Weiter', 'Lautstärke', 'Schwierigkeit'] },
  es => { adj => ['antiguo', 'valiente', 'oscuro', 'dorado', 'oculto', 'pequeño', 'silencioso', 'rápido', 'salvaje', 'helado', 'difícil', 'mágico'],
          noun => ['espada', 'castillo', 'río', 'dragón', 'aldea', 'torre', 'escudo', 'bosque', 'mercader', 'puerto', 'corona', 'montaña'],
          verb => ['guarda', 'busca', 'cruza', 'defiende', 'abre', 'construyó', 'llegó', 'está'],
          the => 'el', and => 'y', ui => ['Nueva partida', 'Cargar partida', 'Guardar partida', 'Opciones', 'Salir', 'Atrás', 'Continuar', 'Volumen', 'Dificultad'] },
  fr => { adj => ['ancien', 'brave', 'sombre', 'doré', 'caché', 'léger', 'silencieux', 'rapide', 'sauvage', 'gelé', 'royal', 'étrange'],
          noun => ['épée', 'château', 'rivière', 'dragon', 'village', 'tour', 'bouclier', 'forêt', 'marchand', 'port', 'couronne', 'fenêtre'],
          verb => ['garde', 'cherche', 'traverse', 'défend', 'ouvre', 'à côté de', 'reçoit', 'protège'],
          the => 'le', and => 'et', ui => ['Nouvelle partie', 'Charger la partie', 'Sauvegarder', 'Options', 'Quitter', 'Retour', 'Continuer', 'Volume sonore', 'Difficulté'] },
  it => { adj => ['antico', 'coraggioso', 'oscuro', 'dorato', 'nascosto', 'silenzioso', 'veloce', 'selvaggio', 'gelato', 'reale', 'però', 'più'],
          noun => ['spada', 'castello', 'fiume', 'drago', 'villaggio', 'torre', 'scudo', 'foresta', 'mercante', 'città', 'corona', 'virtù'],
          verb => ['custodisce', 'cerca', 'attraversa', 'difende', 'apre', 'è', 'sarà', 'portò'],
          the => 'il', and => 'e', ui => ['Nuova partita', 'Carica partita', 'Salva partita', 'Opzioni', 'Esci', 'Indietro', 'Continua', 'Volume', 'Difficoltà'] },
  nl => { adj => [qw(oude dappere donkere gouden verborgen ijzeren stille snelle wilde bevroren koninklijke groene)],
          noun => ['zwaard', 'kasteel', 'rivier', 'draak', 'dorp', 'toren', 'schild', 'bos', 'koopman', 'haven', 'kroon', 'ideeën'],
          verb => ['bewaakt', 'zoekt', 'steekt over', 'verdedigt', 'opent', 'verlaat', 'ziet', 'coördineert'],
          the => 'de', and => 'en', ui => ['Nieuw spel', 'Spel laden', 'Spel opslaan', 'Opties', 'Afsluiten', 'Terug', 'Doorgaan', 'Geluidsvolume', 'Moeilijkheid'] },
  pt => { adj => ['antigo', 'corajoso', 'escuro', 'dourado', 'escondido', 'silencioso', 'rápido', 'selvagem', 'gelado', 'real', 'pequeno', 'mágico'],
          noun => ['espada', 'castelo', 'rio', 'dragão', 'aldeia', 'torre', 'escudo', 'floresta', 'mercador', 'coração', 'coroa', 'missão'],
          verb => ['guarda', 'procura', 'atravessa', 'defende', 'abre', 'não vê', 'conhece', 'começa'],
          the => 'o', and => 'e', ui => ['Novo jogo', 'Carregar jogo', 'Salvar jogo', 'Opções', 'Sair', 'Voltar', 'Continuar', 'Volume', 'Dificuldade'] },
  ru => { adj => ['древний', 'храбрый', 'тёмный', 'золотой', 'скрытый', 'железный', 'тихий', 'быстрый', 'дикий', 'ледяной', 'царский', 'зелёный'],
          noun => ['меч', 'замок', 'река', 'дракон', 'деревня', 'башня', 'щит', 'лес', 'купец', 'гавань', 'корона', 'заклинание'],
          verb => ['охраняет', 'ищет', 'пересекает', 'защищает', 'открывает', 'покидает', 'зовёт', 'видит'],
          the => '', and => 'и', ui => ['Новая игра', 'Загрузить игру', 'Сохранить игру', 'Настройки', 'Выход', 'Назад', 'Продолжить', 'Громкость', 'Сложность'] },
  sv => { adj => [qw(gamla modiga mörka gyllene dolda järn tysta snabba vilda frusna kungliga gröna)],
          noun => ['svärd', 'slott', 'flod', 'drake', 'by', 'torn', 'sköld', 'skog', 'köpman', 'hamn', 'krona', 'ö'],
          verb => ['vaktar', 'söker', 'korsar', 'försvarar', 'öppnar', 'lämnar', 'går över', 'får'],
          the => 'den', and => 'och', ui => ['Nytt spel', 'Ladda spel', 'Spara spel', 'Inställningar', 'Avsluta', 'Tillbaka', 'Fortsätt', 'Ljudvolym', 'Svårighetsgrad'] },
);
# Letters outside U+0410-U+044F have no game byte: the Russian vocabulary writes е for ё.
for my $part (qw(adj noun verb ui)) { s/ё/е/g for @{ $words{ru}{$part} }; }

sub sentence {
  my ($k) = @_;
  my $w = $words{$k};
  my $s = join ' ', grep { length } ($w->{the}, pick($w->{adj}), pick($w->{noun}), pick($w->{verb}),
                                     $w->{the}, pick($w->{noun}));
  $s =~ s/^ +//;
  $s = ucfirst $s;
  $s .= pick(['.', '!', '.', '?', '...']);
  return $s;
}
sub text {
  my ($k) = @_;
  my $n = 1 + rnd(3);
  my $t = join ' ', map { sentence($k) } 1 .. $n;
  if (rnd(9) == 0) { $t .= "\n" . sentence($k); }
  if (rnd(23) == 0) { $t .= "\n" . sentence($k) . "\n" . sentence($k); }
  return $t;
}
sub longText {
  my ($k, $limit) = @_;
  my $t = '';
  while (length($t) < $limit) { $t .= ($t eq '' ? '' : (rnd(4) == 0 ? "\n" : ' ')) . sentence($k); }
  $t = substr($t, 0, $limit - 1);
  $t =~ s/\s+$//;
  return "$t.";
}
sub line {
  my ($k, $i) = @_;
  my $w = $words{$k};
  return $i < @{ $w->{ui} } && rnd(2) ? $w->{ui}[$i] : ucfirst(pick($w->{adj}) . ' ' . pick($w->{noun}));
}

# ---- resource ids --------------------------------------------------------------------------
# English holds them all: clusters of consecutive ids with gaps, starting 0, 1, 2, ...
my $enRes = $byKey{en}{records} - $SLOT_RECORDS;
my @allIds;
{
  my $r = 0;
  while (@allIds < $enRes) {
    my $run = 8 + rnd(40);
    for (1 .. $run) { last if @allIds >= $enRes; push @allIds, $r++; }
    $r += 16 + rnd(700);
  }
  die "resource ids beyond 60000\n" if $allIds[-1] > 60000;
}
# Every other language leaves out some of them (never ids 0 and 1).
my %lacks;
for my $L (@langs) {
  my $missing = $enRes - ($L->{records} - $SLOT_RECORDS);
  die "bad record count for $L->{key}\n" if $missing < 0;
  my %gone;
  while (keys %gone < $missing) { $gone{ $allIds[2 + rnd(scalar(@allIds) - 2)] } = 1; }
  $lacks{ $L->{key} } = \%gone;
}

# ---- string lists: 33 groups ---------------------------------------------------------------
my @listSlots = (5 .. 13, 15, 184 .. 192);
my @groups = ((map { "slot$_" } @listSlots), (map { "sub$_" } 1 .. 14));
die unless @groups == 33;
my @enLines = map { 3 + ($_ * 7 + 3) % 11 } 0 .. 32;
{
  my $sum = 0; $sum += $_ for @enLines;
  my $i = 0;
  while ($sum != $byKey{en}{lines}) {
    my $d = $sum < $byKey{en}{lines} ? 1 : -1;
    if ($enLines[$i % 33] + $d >= 3) { $enLines[$i % 33] += $d; $sum += $d; }
    $i += 5;
  }
}
my %lines;
for my $L (@langs) {
  my @l = @enLines;
  my $d = $L->{lines} - $byKey{en}{lines};
  if ($L->{key} eq 'es') {
    # Spanish: more lines in 8 groups (6 x 2, 2 x 3), fewer in 4 (1 each): 12 + 6 - 4 = 14.
    my @more = (1, 4, 9, 12, 17, 22); my @more3 = (27, 30); my @fewer = (2, 7, 20, 25);
    $l[$_] += 2 for @more; $l[$_] += 3 for @more3; $l[$_] -= 1 for @fewer;
  } elsif ($L->{key} ne 'en') {
    my $start = $L->{id} * 3;
    my @touched;
    my $extra = $d == 0 ? 3 : ($L->{id} % 2 ? 2 : 0);     # some languages also trade lines
    for my $j (0 .. $d + $extra - 1) { my $g = ($start + $j * 7) % 33; $l[$g] += 1; push @touched, $g; }
    my %t = map { $_ => 1 } @touched;
    my $g = $start + 1; my $taken = 0;
    while ($taken < $extra) { my $x = $g % 33; if (!$t{$x}) { $l[$x] -= 1; $t{$x} = 1; $taken++; } $g += 4; }
  }
  my $sum = 0; for (@l) { die "empty group\n" if $_ < 1; $sum += $_; }
  die "group lines of $L->{key}: $sum\n" if $sum != $L->{lines};
  $lines{ $L->{key} } = \@l;
}

# ---- emit ----------------------------------------------------------------------------------
my $DATA_BASE = 0x5DC000;   # the data section of game.S
my $code = '';
my $pool = '';
my $fixed = '';
my $rc = '';
my $label = 0;
sub bytesDirective {
  my (@b) = @_;
  my $s = '';
  while (@b) { my @c = splice(@b, 0, 24); $s .= "  .byte " . join(',', map { sprintf '0x%02X', $_ } @c) . "\n"; }
  return $s;
}
sub gameString {
  my ($text) = @_;
  die "empty text\n" if $text eq '';
  my @b = gameBytes($text);
  die "text longer than $MAX_TEXT bytes\n" if @b > $MAX_TEXT;
  my $l = 'zvs' . $label++;
  $pool .= "$l:\n" . bytesDirective(@b, 0);
  return $l;
}
sub gameList {
  my (@texts) = @_;
  my @ls = map { gameString($_) } @texts;
  my $l = 'zvl' . $label++;
  $pool .= "  .p2align 2\n$l:\n" . join('', map { "  .long $_\n" } @ls) . "  .long 0\n";
  return $l;
}
sub returnsMethod {     # mov eax, imm32 ; ret  (the address it returns lies 1 byte after its entry)
  my ($target) = @_;
  my $l = 'zvm' . $label++;
  $code .= "$l:\n  .byte 0xB8\n  .long $target\n  .byte 0xC3\n";
  return $l;
}

my %tableOf;    # key -> [method labels of slots 0..199]
my $longDone = 0;
for my $L (@langs) {
  my $k = $L->{key};
  my @m;
  my @gl = @{ $lines{$k} };
  my %gi = map { $groups[$_] => $_ } 0 .. 32;
  my $list = sub { my ($g) = @_; return gameList(map { line($k, $_) } 0 .. $gl[$gi{$g}] - 1); };
  for my $n (0 .. 199) {
    if ($n == 14) {
      my @sub = map { $list->("sub$_") } 1 .. 14;
      my $sub0 = gameList(line($k, 0));
      my $arr = 'zva' . $label++;
      $pool .= "  .p2align 2\n$arr:\n" . join('', map { "  .long $_\n" } ($sub0, @sub[0 .. 12])) ;
      my $l = 'zvm' . $label++;
      # mov eax,[esp+4] ; cmp eax,14 ; jae +10 ; mov eax,[eax*4+ARRAY] ; ret 4 ; mov eax,SUB14 ;
      # cmp dword [esp+4],14 ; jne +3 ; ret 4 ; push ID ; jmp zv_slot14_beyond
      # (above 14: a list that names the language and the argument received)
      $code .= "$l:\n  .byte 0x8B,0x44,0x24,0x04, 0x83,0xF8,0x0E, 0x73,0x0A, 0x8B,0x04,0x85\n  .long $arr\n"
             . "  .byte 0xC2,0x04,0x00, 0xB8\n  .long $sub[13]\n"
             . "  .byte 0x83,0x7C,0x24,0x04,0x0E, 0x75,0x03, 0xC2,0x04,0x00, 0x6A,$L->{id}\n"
             . "  jmp _zv_slot14_beyond\n";
      push @m, $l;
    } elsif (grep { $_ == $n } @listSlots) {
      push @m, returnsMethod($list->("slot$n"));
    } elsif ($n >= 193 && $n <= 196) {
      my $cell = 'zvc' . $label++;
      $pool .= "  .p2align 2\n$cell:\n  .long " . sprintf('0x%08X', ($L->{id} << 24) | ($n << 8) | 0x5A) . "\n";
      push @m, returnsMethod($cell);
    } else {
      my $t = $n < 5 ? $words{$k}{ui}[$n] : text($k);
      push @m, returnsMethod(gameString($t));
    }
  }
  $tableOf{$k} = \@m;
}

# Names and tables at their fixed addresses, in ascending address order.
my @fixedItems;
push @fixedItems, [ $_->{nameAt}, 'name', $_ ] for @langs;
push @fixedItems, [ $_->{table}, 'table', $_ ] for @langs;
my $pos = 0;
for my $it (sort { $a->[0] <=> $b->[0] } @fixedItems) {
  my ($addr, $what, $L) = @$it;
  die sprintf("overlap at 0x%X\n", $addr) if $addr < $pos;
  $fixed .= sprintf("  .org 0x%X - 0x%X\n", $addr, $DATA_BASE);
  if ($what eq 'name') {
    my @b = (gameBytes($L->{name}), 0);
    $fixed .= "zv_name_$L->{key}:\n" . bytesDirective(@b);
    $pos = $addr + @b;
  } else {
    my @m = @{ $tableOf{ $L->{key} } };
    # The English table ends where the French one begins: its slots 198 and 199 are
    # the French slots 0 and 1.
    my $n = $L->{key} eq 'en' ? 198 : 200;
    $fixed .= "zv_table_$L->{key}:\n" . join('', map { "  .long $_\n" } @m[0 .. $n - 1]);
    $pos = $addr + 4 * $n;
  }
}

# Resource strings.
for my $L (@langs) {
  my $k = $L->{key};
  $rc .= sprintf("\nLANGUAGE 0x%02X, 0x%02X\nSTRINGTABLE\nBEGIN\n", $L->{code} & 0x3FF, $L->{code} >> 10);
  for my $r (@allIds) {
    my $t = text($k);      # drawn for every id, so each language's texts stay apart from its gaps
    next if $lacks{$k}{$r};
    if ($k eq 'en' && !$longDone && $r > 1000) { $t = longText($k, $MAX_TEXT - 1); $longDone = 1; }
    my @b = gameBytes($t);  # checks the letters
    die "resource text too long\n" if @b > $MAX_TEXT;
    my $s = '';
    for my $ch (split //, $t) {
      my $u = ord $ch;
      $s .= ($u >= 0x20 && $u < 0x7F && $ch ne '"' && $ch ne '\\') ? $ch : sprintf('\\x%04x', $u);
    }
    $rc .= "  $r, L\"$s\"\n";
  }
  $rc .= "END\n";
}

my $cyr = "  .p2align 2\n  .globl _zv_cyrillic_map\n_zv_cyrillic_map:\n" . bytesDirective(@cyrillic);

sub writeFile {
  my ($name, $text) = @_;
  open my $fh, '>:raw', "$out/$name" or die "$out/$name: $!\n";
  print $fh $text;
  close $fh or die "$out/$name: $!\n";
}
my $head = "/* Generated by zvcontent.pl; do not edit. */\n";
writeFile('content_fixed.s', $head . $fixed);
writeFile('content_code.s', $head . $code);
writeFile('content_pool.s', $head . $cyr . $pool);
writeFile('strings.rc', "// Generated by zvcontent.pl; do not edit.\n" . $rc);
