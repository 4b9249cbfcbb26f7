#ifndef PANNEX_PANELS_MOUNT_CHOOSER_H
#define PANNEX_PANELS_MOUNT_CHOOSER_H

// Alt+F1, Alt+F2: the mount-point chooser for the panel of side.
void change_drive(int side);

#endif
