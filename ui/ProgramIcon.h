// The program's icon, compiled into the program from resources/icons.
#pragma once

class QIcon;

/**
 * The program icon in all its drawn sizes (16, 22, 24, 32, 48, 64, 128 and
 * 256 pixels), for window icons; a size in between is scaled from the next
 * larger one. The single files are also reachable by their resource paths
 * ":/icons/nolvex-<N>.png", and ":/icons/nolvex.png" is the 256-pixel one.
 */
QIcon ProgramIcon();
