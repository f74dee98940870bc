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

/* ---- Unit data files "STNnn/STNINF.KRAB" (station) and "STNnn/CARDh.KRAB" (card h) ---- */

enum {
    KRAVINA_UNIT_HEAD_SIZE = 500,
    KRAVINA_UNIT_FILE_SIZE = 361300,
    KRAVINA_UNIT_BLOCKS = 100,   /* block 0..99 */
    KRAVINA_UNIT_ITEMS = 100,    /* item 0..99 of a block */
    KRAVINA_UNIT_TERMS = 100,    /* terminal 0..99 of a block */
    KRAVINA_UNIT_ITEM_SIZE = 16,
    KRAVINA_UNIT_TERM_SIZE = 20
};

/* Reads the unit's file into the unit image and copies its head (500) out.
   0; -2 when the file is missing or cannot be opened (the image is cleared, head
   "00SYS" + zeros);
   -1 for a unit out of range (nothing touched) or a file shorter than a unit
   file (what it holds is loaded, the rest reads as zero). */
KRAVINA_API int KRAVinA_Data_Get(int station, int card, char* head, const char* folder);

/* Puts the head (500) into the unit image and writes the image as the unit's
   file, creating the folder "STNnn". 0, -1 for a unit out of range or a failed write. */
KRAVINA_API int KRAVinA_Data_Write(int station, int card, const char* head, const char* folder);

/* The operations below address the unit image of the last get; nothing reaches
   the disk before KRAVinA_Data_Write. */

/* Position of a block in the unit image. 0, -1 for a block out of range. */
KRAVINA_API int KRAVinA_Data_XY_Get(int block, int* x, int* y);
KRAVINA_API int KRAVinA_Data_XY_Set(int block, int x, int y);

/* Copies one item (16 bytes) out of / into the unit image. 0, -1 out of range. */
KRAVINA_API int KRAVinA_Data_Item_Get(int block, int item, char* data);
KRAVINA_API int KRAVinA_Data_Item_Set(int block, int item, const char* data);

/* Copies one terminal entry (20 bytes) out of / into the unit image. 0, -1 out of range. */
KRAVINA_API int KRAVinA_Data_Term_Get(int block, int terminal, char* data);
KRAVINA_API int KRAVinA_Data_Term_Set(int block, int terminal, const char* data);

/* Copies the 100 blocks of the unit image (everything after the head, as in the file:
   KRAVINA_UNIT_FILE_SIZE - KRAVINA_UNIT_HEAD_SIZE bytes) out of / into the image in one
   call, to keep the image across reads of other units. 0, -1 for a null pointer or
   another size (nothing touched). */
KRAVINA_API int KRAVinA_Data_Blocks_Get(void* data, int size);
KRAVINA_API int KRAVinA_Data_Blocks_Set(const void* data, int size);

/* 0 when size bytes at data make a unit data file as the tool writes one:
   exactly KRAVINA_UNIT_FILE_SIZE bytes whose head is 100 block codes of 5 bytes,
   each empty (five zero bytes) or two digits and three printable ASCII
   characters, group 0 holding the system block "00SYS"; else -1. */
KRAVINA_API int KRAVinA_Data_Check(const void* data, long size);

/* Kept entries that do nothing; 0 (-1 for a unit out of range). */
KRAVINA_API int KRAVinA_Proj_Search(const char* unused);
KRAVINA_API int KRAVinA_Proj_NewSearch(void);
KRAVINA_API int KRAVinA_CD_Delete(int station, int card);
KRAVINA_API int KRAVinA_Proj_Get_Head_Num(int station, int card);

/* ---- Connection files "STNnn/ACx.KRAB", "STNnn/DCx.KRAB" (x: X = station, or the card's
        hexadecimal digit) and the comment and figure layer files ---- */

enum {
    KRAVINA_ACON_FILE_SIZE = 1480000,   /* 100 x 100 records of 148 bytes */
    KRAVINA_DCON_FILE_SIZE = 2496,      /* 16 records of 156 bytes */
    KRAVINA_DCON_FIRST_TERMINAL = 11,
    KRAVINA_DCON_LAST_TERMINAL = 26,
    KRAVINA_CONNECTION_POINTS = 30,     /* point 0..29 */
    KRAVINA_CONNECTION_TEXT_SIZE = 17,  /* 16 characters and a NUL */
    KRAVINA_COMMENT_BLOCK_SIZE = 28400,
    KRAVINA_FIGURE_BLOCK_SIZE = 2400
};

/* Record (c, d) (each 0..99) of the unit's analog connections. The unit's file is
   read only when another unit is cached; a missing file is empty wiring. Text out:
   at most 16 characters and a NUL. 0; -1 out of range (nothing touched) or when the
   file read now was short (what it holds is loaded, the rest reads as zero). */
KRAVINA_API int KRAVinA_Acon_Get(int station, int card, int c, int d, int* kind, int* value, int* colour,
                                 char* text, const char* folder);

/* 0 when size bytes at data make an analog connection file the library reads
   whole: exactly KRAVINA_ACON_FILE_SIZE bytes; else -1. */
KRAVINA_API int KRAVinA_Acon_Check(const void* data, long size);

/* Stores record (c, d) in the cached image (kind as one byte, the text cut to 16
   characters). 0; -1 out of range or unless the unit is the cached one. */
KRAVINA_API int KRAVinA_Acon_Set(int station, int card, int c, int d, int kind, int value, int colour,
                                 const char* text);

/* Writes the cached analog image as the unit's file (creating "STNnn").
   0; -1 out of range, unless the unit is the cached one, or a failed write. */
KRAVINA_API int KRAVinA_Acon_Write(int station, int card, const char* folder);

/* Point 0..29 of record (c, d) of the cached analog image; coordinates are int16.
   0; -1 out of range or while no unit is cached. */
KRAVINA_API int KRAVinA_Acon_Pnt_Get(int c, int d, int point, int* x, int* y);
KRAVINA_API int KRAVinA_Acon_Pnt_Set(int c, int d, int point, int x, int y);

/* Record of communication terminal 11..26 of the unit; loads as KRAVinA_Acon_Get. */
KRAVINA_API int KRAVinA_Dcon_Get(int station, int card, int terminal, int* pointCount, int* value,
                                 int* colour, int* lineKind, char* text, const char* folder);

/* Stores the record of a terminal in the cached image and writes the image as the
   unit's file (creating "STNnn"). 0; -1 out of range, unless the unit is the cached
   one, or a failed write. */
KRAVINA_API int KRAVinA_Dcon_Write(int station, int card, int terminal, int pointCount, int value,
                                   int colour, int lineKind, const char* text, const char* folder);

/* Point 0..29 of a terminal's record of the cached communication image (int16).
   0; -1 out of range or while no unit is cached. */
KRAVINA_API int KRAVinA_Dcon_Pnt_Get(int terminal, int point, int* x, int* y);
KRAVINA_API int KRAVinA_Dcon_Pnt_Set(int terminal, int point, int x, int y);

/* Layer blocks (comment 28400 bytes, figure 2400 bytes) in the file of the given
   plain name in the folder. Read clears the block, then reads the file when it
   exists. 0; -1 for a bad name, a failed write or a short file (the rest zero). */
KRAVINA_API int KRAVinA_Comment_Write(const void* block, const char* folder, const char* fileName);
KRAVINA_API int KRAVinA_Comment_Read(void* block, const char* folder, const char* fileName);
KRAVINA_API int KRAVinA_Tenbyou_Write(const void* block, const char* folder, const char* fileName);
KRAVINA_API int KRAVinA_Tenbyou_Read(void* block, const char* folder, const char* fileName);

/* ---- Master definition tables (".KRAT" text files of the table folder) ----
   The table folder is the last argument. Tables written on Windows (CR LF line
   ends, CP932 text) read exactly like the same tables with LF line ends, and
   table file names are found whatever their case. */

enum {
    KRAVINA_KIND_NAME_SIZE = 8,         /* kind name buffer */
    KRAVINA_KIND_VERSIONS_MAX = 32,     /* version list: 32 entries of 4 bytes */
    KRAVINA_VERSION_SIZE = 4,
    KRAVINA_GROUPS = 100,
    KRAVINA_GROUP_CODES_MAX = 51,       /* code buffer: 51 codes of 5 bytes (256 bytes) */
    KRAVINA_BLOCK_CODE_SIZE = 5,
    KRAVINA_GROUP_BUFFER_SIZE = 256,
    KRAVINA_BLOCK_NAME_SIZE = 256,      /* block name buffer, terminated */
    KRAVINA_DEF_LINES = 100,            /* definition lines per table */
    KRAVINA_FIELDNAME_IDS = 100,
    KRAVINA_FIELDNAME_MAX = 16,         /* names of 8 bytes per id, then a NUL: 129 bytes */
    KRAVINA_FIELDNAME_SIZE = 8,
    KRAVINA_BACKUP_LIST_MAX = 100       /* backup name list: 100 entries of 3 bytes */
};

/* Widths of the seven field buffers of KRAVinA_Block_Inf_Get. Each field is cut
   to its width minus one byte (never inside a double-byte character) and
   terminated. Item lines (table 0): type, name, abbreviation, unit, default,
   range, extra. Terminal lines (table 1): type, name, abbreviation in buffers
   1..3 and the terminal's item number in buffer 7. */
enum {
    KRAVINA_DEF_TYPE_SIZE = 16,
    KRAVINA_DEF_NAME_SIZE = 130,
    KRAVINA_DEF_ABBR_SIZE = 20,
    KRAVINA_DEF_UNIT_SIZE = 8,
    KRAVINA_DEF_DEFAULT_SIZE = 32,
    KRAVINA_DEF_RANGE_SIZE = 64,
    KRAVINA_DEF_EXTRA_SIZE = 64,
    KRAVINA_TERM_TYPE_SIZE = 4,
    KRAVINA_TERM_NAME_SIZE = 42,
    KRAVINA_TERM_ABBR_SIZE = 4
};

/* Number of kind sections ("CARD=" lines) of the station kinds (table 0,
   "COMCARD.KRAT") or the card kinds (else, "KBSCARD_LARGE.KRAT" or
   "KBSCARD.KRAT"); 0 when the table cannot be opened. */
KRAVINA_API int KRAVinA_Card_Kind_Get_Num(int table, const char* folder);

/* Section index (0-based) of a kind table: name (8 bytes as they stand),
   bus flag (0 on "UBus"), speed code (0 1200, 1 9600, 2 57600; other speeds
   leave it), value, and up to 32 versions of 4 bytes. Returns the number of
   versions stored; 0 when the table or the section is missing; -1 for a
   negative index. */
KRAVINA_API int KRAVinA_Card_K_V_Get(int table, int index, char* name, int* busFlag, int* speedCode,
                                     int* value, char* versions, const char* folder);

/* With reload == 1 parses the valid-block table of model (8) and version (4)
   (-1 when it cannot be opened); then copies the codes of group 0..99 (5 bytes
   each, at most 51) into codes and returns their number; -1 for a group out
   of range. */
KRAVINA_API int KRAVinA_Valid_Block_Get(int reload, const char* model, const char* version,
                                        int group, char* codes, const char* folder);

/* First line of the block definition model\version\code.KRAT, terminated, at
   most 255 characters; 0, or -1 when the file cannot be opened or is empty. */
KRAVINA_API int KRAVinA_Block_Name_Get(const char* model, const char* version, const char* code,
                                       char* name, const char* folder);

/* Loads the definition lines of a block definition (100 item lines, then 100
   terminal lines); 0, or -1 when it cannot be opened. */
KRAVINA_API int KRAVinA_Block_Inf_Select(const char* model, const char* version, const char* code,
                                         const char* folder);

/* Fields of definition line 0..99 of table 0 (items) or else 1 (terminals)
   into the seven buffers (widths above; a null buffer is skipped); 0, -1 for a
   line out of range. */
KRAVINA_API int KRAVinA_Block_Inf_Get(int table, int line, char* field1, char* field2,
                                      char* field3, char* field4, char* field5, char* field6,
                                      char* field7);

/* Lines of the master list of type 0..3 (BLOCKMAST, ITEMMAST, TERMMAST,
   FIELDNAME) before the first line shorter than 3 characters; -1 when it
   cannot be opened or for another type. */
KRAVINA_API int KRAVinA_Mast_Num_Get(int type, const char* folder);

/* Names of field-name id 0..99 as 8-byte entries followed by a NUL (at most
   16 entries, 129 bytes). 0 when the id's lines ended before another id,
   -1 at the end of the table (entries are kept), when it cannot be opened or
   for an id out of range. */
KRAVINA_API int KRAVinA_Mast_FiledName_Get(int id, char* entries, const char* folder);

/* Copies the block definition code.KRAT of one model version to another.
   0, -1 when the source cannot be read or the target not written. */
KRAVINA_API int KRAVinA_Dup_Block(const char* sourceModel, const char* sourceVersion,
                                  const char* code, const char* targetModel,
                                  const char* targetVersion, const char* folder);

/* Creation and latest modification time (seconds) of a model version's
   definitions; -1 when its definition folder does not exist. */
KRAVINA_API int KRAVinA_Card_K_VDate_Get(const char* model, const char* version, int* created,
                                         int* latest, const char* folder);

/* Reads "BACKINFO.KRAT" of a backup folder: name (8), code (4), number, and
   lists the backups "???.BAK" (3-byte names, sorted, at most 100) with their
   count. 0, -1 when the information is missing or empty. */
KRAVINA_API int KRAVinA_Backup_Block_Info(char* name, char* code, int* number, int* count,
                                          char* list, const char* folder);

/* Deletes the backup information and backups of a backup folder, then removes
   it and the second folder when empty; 0, -1 when a file could not be deleted. */
KRAVINA_API int KRAVinA_Backup_Block_Clear(const char* folder, const char* second);

/* create != 0: creates folders b, a and c (existing is fine); 0, -1 when one
   could not be made. create == 0: 0 when all three exist, else -1. */
KRAVINA_API int KRAVinA_Env_ChkSet(int create, const char* a, const char* b, const char* c);

/* 1 when a line of "IRCARD.KRAT" has "=" and its text after the first "="
   begins with the card name (at most 8 characters); 0 otherwise. */
KRAVINA_API int KRAVinA_IRCardName_Comp(const char* name, const char* folder);

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
