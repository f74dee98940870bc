/* Answers the dialogs of KRAVinB in a program that has no Qt of its own: once the
   library makes its application object, the driver backs up to file and restores
   from its folder (the first backup listed), closing each dialog it met. */
#ifndef KRAVIN_TEST_DIALOG_DRIVER_H
#define KRAVIN_TEST_DIALOG_DRIVER_H

#ifdef __cplusplus
extern "C" {
#endif

__attribute__((visibility("default"))) void dialog_driver_use(const char* backupFile);

/* The object names of the dialogs driven so far, blank separated. */
__attribute__((visibility("default"))) const char* dialog_driver_seen(void);

#ifdef __cplusplus
}
#endif

#endif
