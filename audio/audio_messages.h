// The audio layer's messages in Shift-JIS (code page 932), as the ANSI Win32
// calls take them; each is shown above its bytes.
#pragma once

// RIFFヘッダ読み込み失敗
inline constexpr char MSG_RIFF_HEADER_READ_FAILED[] =
    "RIFF\x83w\x83"
    "b\x83_\x93\xC7\x82\xDD\x8D\x9E\x82\xDD\x8E\xB8\x94s";
// RIFF照合失敗
inline constexpr char MSG_RIFF_ID_MISMATCH[] = "RIFF\x8F\xC6\x8D\x87\x8E\xB8\x94s";
// RIFF形式照合失敗
inline constexpr char MSG_RIFF_FORM_MISMATCH[] = "RIFF\x8C`\x8E\xAE\x8F\xC6\x8D\x87\x8E\xB8\x94s";
// fmtチャンク呼び出し失敗
inline constexpr char MSG_FMT_CHUNK_NOT_FOUND[] =
    "fmt\x83`\x83\x83\x83\x93\x83N\x8C\xC4\x82\xD1\x8Fo\x82\xB5\x8E\xB8\x94s";
// fmtチャンクデータ部分読み込み失敗
inline constexpr char MSG_FMT_CHUNK_READ_FAILED[] =
    "fmt\x83`\x83\x83\x83\x93\x83N\x83"
    "f\x81[\x83^\x95\x94\x95\xAA\x93\xC7\x82\xDD\x8D\x9E\x82\xDD\x8E\xB8\x94s";
// 形式タグ照合失敗
inline constexpr char MSG_FORMAT_TAG_MISMATCH[] =
    "\x8C`\x8E\xAE\x83^\x83O\x8F\xC6\x8D\x87\x8E\xB8\x94s";
// dataチャンク呼び出し失敗
inline constexpr char MSG_DATA_CHUNK_NOT_FOUND[] =
    "data\x83`\x83\x83\x83\x93\x83N\x8C\xC4\x82\xD1\x8Fo\x82\xB5\x8E\xB8\x94s";
// CreateSoundBuffer 失敗
inline constexpr char MSG_CREATE_SOUND_BUFFER_FAILED[] = "CreateSoundBuffer \x8E\xB8\x94s";
// バックサウンドバッファのロック失敗
inline constexpr char MSG_SOUND_BUFFER_LOCK_FAILED[] = "\x83o\x83"
                                                       "b\x83N\x83T\x83"
                                                       "E\x83\x93\x83h\x83o\x83"
                                                       "b\x83t\x83@\x82\xCC\x83\x8D\x83"
                                                       "b\x83N\x8E\xB8\x94s";
// data1読み込み失敗
inline constexpr char MSG_DATA1_READ_FAILED[] =
    "data1\x93\xC7\x82\xDD\x8D\x9E\x82\xDD\x8E\xB8\x94s";
// data2読み込み失敗
inline constexpr char MSG_DATA2_READ_FAILED[] =
    "data2\x93\xC7\x82\xDD\x8D\x9E\x82\xDD\x8E\xB8\x94s";
// CoInitializeが失敗しました
inline constexpr char MSG_CO_INITIALIZE_FAILED[] =
    "CoInitialize\x82\xAA\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD";
// performance objectが作れません
inline constexpr char MSG_PERFORMANCE_NOT_CREATED[] =
    "performance object\x82\xAA\x8D\xEC\x82\xEA\x82\xDC\x82\xB9\x82\xF1";
// Performanceの初期化に失敗しました
inline constexpr char MSG_PERFORMANCE_INIT_FAILED[] =
    "Performance\x82\xCC\x8F\x89\x8A\xFA\x89\xBB\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82"
    "\xBD";
// CreateEventが失敗しました
inline constexpr char MSG_CREATE_EVENT_FAILED[] =
    "CreateEvent\x82\xAA\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD";
// CreateThreadが失敗しました
inline constexpr char MSG_CREATE_THREAD_FAILED[] =
    "CreateThread\x82\xAA\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD";
// performanceのset notification handleが失敗しました
inline constexpr char MSG_SET_NOTIFICATION_HANDLE_FAILED[] =
    "performance\x82\xCCset notification "
    "handle\x82\xAA\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD";
// performanceにnotificationsが追加できません
inline constexpr char MSG_ADD_NOTIFICATION_FAILED[] =
    "performance\x82\xC9notifications\x82\xAA\x92\xC7\x89\xC1\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82"
    "\xF1";
// loader objectを作れません
inline constexpr char MSG_LOADER_NOT_CREATED[] =
    "loader object\x82\xF0\x8D\xEC\x82\xEA\x82\xDC\x82\xB9\x82\xF1";
// カレントディレクトリを読み込み失敗
inline constexpr char MSG_CURRENT_DIRECTORY_FAILED[] =
    "\x83J\x83\x8C\x83\x93\x83g\x83"
    "f\x83"
    "B\x83\x8C\x83N\x83g\x83\x8A\x82\xF0\x93\xC7\x82\xDD\x8D\x9E\x82\xDD\x8E\xB8\x94s";
// 検索パスの設定失敗
inline constexpr char MSG_SEARCH_DIRECTORY_FAILED[] =
    "\x8C\x9F\x8D\xF5\x83p\x83X\x82\xCC\x90\xDD\x92\xE8\x8E\xB8\x94s";
// WaitForSingleObjectに失敗しました
inline constexpr char MSG_WAIT_FAILED[] =
    "WaitForSingleObject\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD";
// port caps構造体を確保するメモリが足りません
inline constexpr char MSG_PORT_CAPS_NO_MEMORY[] =
    "port "
    "caps\x8D\x5C\x91\xA2\x91\xCC\x82\xF0\x8Am\x95\xDB\x82\xB7\x82\xE9\x83\x81\x83\x82\x83\x8A\x82"
    "\xAA\x91\xAB\x82\xE8\x82\xDC\x82\xB9\x82\xF1";
// Port列挙に失敗しました
inline constexpr char MSG_PORT_ENUMERATION_FAILED[] =
    "Port\x97\xF1\x8B\x93\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD";
// CreateAndAddPortが失敗
inline constexpr char MSG_CREATE_AND_ADD_PORT_FAILED[] = "CreateAndAddPort\x82\xAA\x8E\xB8\x94s";
// DirectMusic portが作れません
inline constexpr char MSG_PORT_NOT_CREATED[] =
    "DirectMusic port\x82\xAA\x8D\xEC\x82\xEA\x82\xDC\x82\xB9\x82\xF1";
// portがアクティブです
inline constexpr char MSG_PORT_ACTIVATE_FAILED[] = "port\x82\xAA\x83"
                                                   "A\x83N\x83"
                                                   "e\x83"
                                                   "B\x83u\x82\xC5\x82\xB7";
// performanceにportを追加できません
inline constexpr char MSG_ADD_PORT_FAILED[] =
    "performance\x82\xC9port\x82\xF0\x92\xC7\x89\xC1\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1";
// performanceにDirectMusic portを追加できません
inline constexpr char MSG_ASSIGN_PCHANNEL_FAILED[] =
    "performance\x82\xC9"
    "DirectMusic port\x82\xF0\x92\xC7\x89\xC1\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1";
// CreateAndAddPort失敗
inline constexpr char MSG_SELECT_PORT_FAILED[] = "CreateAndAddPort\x8E\xB8\x94s";
// GetObjectに失敗しました
inline constexpr char MSG_GET_OBJECT_FAILED[] =
    "GetObject\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD";
// Downloadに失敗しました
inline constexpr char MSG_DOWNLOAD_FAILED[] =
    "Download\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD";
// PlaySegmentが失敗しました
inline constexpr char MSG_PLAY_SEGMENT_FAILED[] =
    "PlaySegment\x82\xAA\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD";
