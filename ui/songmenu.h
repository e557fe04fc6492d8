#pragma once

class CKestrelwaveApp;
class QAction;
class QMenu;

// The window menu's checkable "Record songs as separate files" item: it switches the split
// by song for the recordings that begin afterwards and keeps the choice in the settings
// file. GUI thread.
QAction* addSongSplitItem(QMenu& menu, CKestrelwaveApp& app);
