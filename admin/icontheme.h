#ifndef ORLA_ICONTHEME_H
#define ORLA_ICONTHEME_H

namespace IconTheme
{
/**
 * Without desktop settings (a bare X server, the offscreen platform) Qt knows
 * no theme but hicolor, which lacks the action and status icons the windows
 * name. Falls back to breeze then; a desktop's own choice is kept.
 */
void ensureFallback();
}

#endif
