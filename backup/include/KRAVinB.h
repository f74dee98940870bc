/* KRAVinB: backup and restore of one station's or card's data files of the open
   project as a compressed .BKC file, each through a modal dialog. Each runs on the
   caller's user-interface thread and none is re-entrant. A caller without a
   QApplication gets one made for the dialog's run and removed when it ends. */
#ifndef KRAVINB_H
#define KRAVINB_H

#ifdef KRAVINB_BUILDING
#define KRAVINB_API __attribute__((visibility("default")))
#else
#define KRAVINB_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Asked by a restore before anything is written, with the backup's model name
   (8 bytes, blank or NUL padded) and version (4 bytes); 1 accepts, 0 refuses (the
   caller has told the user why). */
typedef int (*KRAVinB_AcceptFn)(void* context, const char* model, const char* version);

/* Backs up station (0..63) and card (0..15, -1 = the station's own data) of the
   project work folder. parent: the caller's QWidget (may be null) that owns the
   dialog, ignored when the caller has no QApplication. 1 when a backup was written,
   else 0. */
KRAVINB_API int KRAVinB_CD_Backup(const char* projectName, int reserved, int station, int card,
                                  const char* cardName, const char* version, const char* unitText,
                                  void* parent, const char* workFolder);

/* Restores a backup chosen in the dialog into station/card. keepFolder holds copies
   of the replaced files while the restore runs and is removed afterwards. 1 when a
   unit was restored: outCardName (9 bytes), outVersion (5) and outUnitText (6)
   receive the restored unit's model, version and unit text; else 0 and the buffers
   are untouched. */
KRAVINB_API int KRAVinB_CD_Restore(const char* projectName, int reserved, int station, int card,
                                   char* outCardName, char* outVersion, char* outUnitText, void* parent,
                                   const char* workFolder, const char* keepFolder);

/* KRAVinB_CD_Restore that first asks accept (may be null) whether the chosen
   backup's unit may go into station/card, before any file is written. */
KRAVINB_API int KRAVinB_CD_RestoreChecked(const char* projectName, int reserved, int station, int card,
                                          char* outCardName, char* outVersion, char* outUnitText, void* parent,
                                          const char* workFolder, const char* keepFolder,
                                          KRAVinB_AcceptFn accept, void* acceptContext);

#ifdef __cplusplus
}
#endif

#endif
