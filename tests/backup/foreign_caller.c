/* A C program without Qt that loads KRAVinB and calls both exports through their
   interface: foreign_caller LIBRARY WORK_FOLDER BACKUP_FILE KEEP_FOLDER. It backs up
   card 3 of station 5 and restores it into card 9 of station 7, then prints what came
   back. */
#include "dialog_driver.h"

#include <dlfcn.h>
#include <stdio.h>

typedef int (*BackupFn)(const char*, int, int, int, const char*, const char*, const char*, void*, const char*);
typedef int (*RestoreFn)(const char*, int, int, int, char*, char*, char*, void*, const char*, const char*);

int main(int argc, char** argv)
{
    if (argc != 5) {
        fprintf(stderr, "usage: foreign_caller LIBRARY WORK_FOLDER BACKUP_FILE KEEP_FOLDER\n");
        return 2;
    }
    void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        fprintf(stderr, "%s\n", dlerror());
        return 2;
    }
    BackupFn backup;
    RestoreFn restore;
    *(void**)&backup = dlsym(library, "KRAVinB_CD_Backup");
    *(void**)&restore = dlsym(library, "KRAVinB_CD_Restore");
    if (!backup || !restore) {
        fprintf(stderr, "exports missing\n");
        return 2;
    }
    dialog_driver_use(argv[3]);
    const int backedUp = backup("Plant", 0, 5, 3, "QV200   ", "1.00", "UNIT1234", NULL, argv[2]);
    char model[9] = "unset", version[5] = "xx", text[6] = "yy";
    const int restored = restore("Plant", 0, 7, 9, model, version, text, NULL, argv[2], argv[4]);
    printf("backup %d restore %d model [%s] version [%s] text [%s] dialogs [%s]\n", backedUp, restored, model,
           version, text, dialog_driver_seen());
    dlclose(library);
    return 0;
}
