// The UI language of the process and the encoding its texts use.
#pragma once

// 0 Polish, 1 English, 2 German, 3 Czech, 4 French, 5 Italian, 6 Spanish,
// 7 Russian.
extern int lang;

int oo_texts_set_lang(int language);
int oo_texts_get_lang();
int oo_texts_get_is_utf8();
int oo_texts_get_is_cp1250();
const char* oo_texts_get_lang_name();
