// The about page (page 50, also the address "/kalmitor.htm"): the program's
// name and version and a link to the maker's web page.  Its three texts can
// be replaced through the page text file "Info.vv" (read once, at the first
// use).
#pragma once

// The replacement of text from "Info.vv", or text itself; "" for NULL.
const char* Info_vv(const char* text);
// Appends the page.  0.
int mgs_Info();
