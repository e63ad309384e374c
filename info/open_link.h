#pragma once
// Opens a web address in the user's browser. Every link of the program (the splash's
// home page, the web pages of the menus) goes through here, and only absolute http
// or https addresses are let through: an address read from the settings file can
// never make the program open a local file or start a program.

#include <QString>

namespace halvion {

// The program's home page: the splash's link and the About menu's last item (set at
// build time).
extern const char HomePageAddress[];

// The home page's host name, as the About menu shows it ("www.example.org").
QString homePageHost();

// Hands `address` to the desktop's browser when it is an absolute http:// or
// https:// URL with a host; anything else opens nothing. The text is taken as it
// is (no trimming). Returns whether the URL was handed over and accepted.
bool OpenLink(const QString& address);

} // namespace halvion
