#ifndef ORLA_DISABLEDPREFIX_H
#define ORLA_DISABLEDPREFIX_H

namespace Store
{
/**
 * Name of the subdirectory of the user profile directory that holds disabled
 * users' profiles. A disabled user's profile is named by this word, "/" and
 * the account name, by the program and the helper alike.
 */
inline constexpr char disabledPrefix[] = "disabled";
}

#endif
