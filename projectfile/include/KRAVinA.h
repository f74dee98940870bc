/*
 * KRAVinA - the project file library of KRAVin.
 *
 * Flat C exports over the binary files of one open project (a work folder)
 * and the master definition tables. The library keeps one project image per
 * process; every export takes the library's lock, so calls from several
 * threads never tear an image, but callers still select a unit, change it
 * and write it as one sequence of their own.
 *
 * Results: 0 done, -1 refused / not found / write failed, -2 data file
 * missing (defaults returned), 1 project created or selected.
 * Buffers belong to the caller and have the fixed widths given below; the
 * library copies exactly that many bytes and adds no terminator unless said.
 * Station 0..63; card -1 = the station itself, 0..15 = card slots.
 * The work folder (no trailing slash) is always the last argument.
 */
#ifndef KRAVINA_H
#define KRAVINA_H

#if defined(KRAVINA_BUILDING)
#define KRAVINA_API __attribute__((visibility("default")))
#else
#define KRAVINA_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Project header file "KRAVin.KRAB" ---- */

enum {
    KRAVINA_HEADER_SIZE = 148992,       /* current layout */
    KRAVINA_OLD_HEADER_SIZE = 144640,   /* layouts before 1.20 and of old projects */
    KRAVINA_VERSION_TEXT_MAX = 64,
    KRAVINA_STATIONS = 64,
    KRAVINA_CARDS = 16,
    KRAVINA_SYS_RECORD_SIZE = 136,
    KRAVINA_OLD_SYS_RECORD_SIZE = 132
};

/* Copies at most 64 characters of the program's version text; 0. */
KRAVINA_API int KRAVinA_Proj_Set_Version(const char* version);

/* New header (name 32, second text 32, comment 160) in a created folder.
   1 = created, -1 = the header file could not be written. */
KRAVINA_API int KRAVinA_Proj_Create(const char* name, const char* text2, const char* comment,
                                    const char* folder);

/* Reads the header of the folder (a missing or short file gives zeros),
   converting a layout before 1.20; returns 1. */
KRAVINA_API int KRAVinA_Proj_Select(const char* folder);

/* 1 when the last selected header was written by a newer program. */
KRAVINA_API int KRAVinA_Prj_Newer_Version(void);

/* Reads a header of the oldest (converted project) layout; returns 1. */
KRAVINA_API int KRAVinA_Proj_Select_KRAV2(const char* folder);

/* Copies name (32), second text (32) and comment (160) whole; 0. */
KRAVINA_API int KRAVinA_Proj_Get_Head(char* name, char* text2, char* comment);

/* Sets the head fields; writes the header when write != 0. 0, -1 on a failed write. */
KRAVINA_API int KRAVinA_Proj_Update_Head(int write, const char* name, const char* text2,
                                         const char* comment, const char* folder);

/* Copies a station/card record: kind (8), unit text (5), version (4),
   comment text (32), X, Y. 0, -1 for a unit out of range. */
KRAVINA_API int KRAVinA_Proj_Get_Sys(int station, int card, char* kind, char* unitText,
                                     char* version, char* commentText, int* x, int* y);

/* Sets a station/card record; writes the header when write != 0.
   0, -1 for a unit out of range or a failed write. */
KRAVINA_API int KRAVinA_Proj_Update_Sys(int write, int station, int card, const char* kind,
                                        const char* unitText, const char* version,
                                        const char* commentText, int x, int y,
                                        const char* folder);

/* Writes the header file. 0, -1 when it could not be written. */
KRAVINA_API int KRAVinA_Proj_Write(const char* folder);

/* ---- Conversion of old-format projects ---- */

/* Copies the old project folder holding the file oldPath into folder (created, one
   level): ".KRA" names become ".KRAB", "AC..." and "DC..." files are widened to the
   current connection records, the header is rewritten in the current layout. The old
   files are not changed. 0, -1 when the conversion could not be completed. */
KRAVINA_API int KRAVinA_Proj_Convert(const char* oldPath, const char* folder);

#ifdef __cplusplus
}
#endif

#endif /* KRAVINA_H */
