// Names for the numbers of the string table (resources/strings.cpp). Code loads a text by
// its name here, never by a bare number; the table keeps the numbers, which show in
// message captions such as "Error[E9004]".
#pragma once

namespace dmm::str {

// The program's name, the About box's lines and the settings file's name.
inline constexpr int SystemName = 1;
inline constexpr int VersionLine = 2;
inline constexpr int ReleaseDate = 3;
inline constexpr int LicenceLine = 4;
inline constexpr int WarrantyLine = 5;
inline constexpr int SettingsFileName = 7;
inline constexpr int ModelName = 20;

// Window captions.
inline constexpr int DigitalMeterCaption = 100;
inline constexpr int AnalogMeterCaption = 101;
inline constexpr int ComparatorCaption = 102;
inline constexpr int DataListCaption = 103;
inline constexpr int RecorderCaption = 104;
inline constexpr int PortDialogCaption = 105;
inline constexpr int AboutCaption = 106;
inline constexpr int LimitDialogCaption = 107;
inline constexpr int IntervalDialogCaption = 108;
inline constexpr int ViewerCaption = 109;

// The main window's menu.
inline constexpr int FileMenu = 501;
inline constexpr int ExitItem = 509;
inline constexpr int LinkItem = 600;
inline constexpr int UnlinkItem = 601;
inline constexpr int WindowMenu = 631;
inline constexpr int TileItem = 632;
inline constexpr int DigitalMeterItem = 633;
inline constexpr int AnalogMeterItem = 634;
inline constexpr int ComparatorItem = 635;
inline constexpr int RecorderItem = 636;
inline constexpr int DataListItem = 637;
inline constexpr int PortItem = 701;
inline constexpr int HelpMenu = 996;
inline constexpr int AboutItem = 999;

// The main window's toolbar hints.
inline constexpr int LinkHint = 1000;
inline constexpr int UnlinkHint = 1001;
inline constexpr int TileHint = 1010;
inline constexpr int DigitalMeterHint = 1011;
inline constexpr int AnalogMeterHint = 1012;
inline constexpr int ComparatorHint = 1013;
inline constexpr int RecorderHint = 1014;
inline constexpr int DataListHint = 1015;
inline constexpr int PortHint = 1020;
inline constexpr int AboutHint = 1031;

// The recorder's toolbar hints.
inline constexpr int StartHint = 1100;
inline constexpr int StopHint = 1101;
inline constexpr int ManualHint = 1102;
inline constexpr int IntervalHint = 1103;
inline constexpr int OpenHint = 1104;
inline constexpr int SaveHint = 1105;
inline constexpr int ClearHint = 1106;
inline constexpr int ImportHint = 1107;
inline constexpr int ExportHint = 1108;
inline constexpr int PrintHint = 1109;
inline constexpr int FirstPageHint = 1110;
inline constexpr int PageUpHint = 1111;
inline constexpr int PageDownHint = 1112;
inline constexpr int LastPageHint = 1113;
inline constexpr int FitAllHint = 1114;
inline constexpr int UndoZoomHint = 1115;

// The recorder's menu.
inline constexpr int RecorderFileMenu = 1200;
inline constexpr int OpenItem = 1201;
inline constexpr int SaveAsItem = 1202;
inline constexpr int ClearItem = 1203;
inline constexpr int ImportItem = 1204;
inline constexpr int ExportItem = 1205;
inline constexpr int PrintPageItem = 1206;
inline constexpr int PrinterSetupItem = 1207;
inline constexpr int RecorderExitItem = 1208;
inline constexpr int AcquisitionMenu = 1210;
inline constexpr int StartItem = 1211;
inline constexpr int StopItem = 1212;
inline constexpr int ManualItem = 1213;
inline constexpr int IntervalItem = 1214;
inline constexpr int ViewMenu = 1220;
inline constexpr int FirstPageItem = 1221;
inline constexpr int PageUpItem = 1222;
inline constexpr int PageDownItem = 1223;
inline constexpr int LastPageItem = 1224;
inline constexpr int FitAllItem = 1225;
inline constexpr int UndoZoomItem = 1226;
inline constexpr int LineColorItem = 1227;

// The recorder's status bar, chart labels, interval dialog and limit dialog.
inline constexpr int LoggingStatus = 1300;
inline constexpr int BufferCountFormat = 1301;
inline constexpr int PageOfFormat = 1302;
inline constexpr int ManualMode = 1303;
inline constexpr int FullSpeedMode = 1304;
inline constexpr int IntervalMode = 1305;
inline constexpr int CustomizationChoice = 1306;
inline constexpr int AutomaticChoice = 1307;
inline constexpr int AcquisitionModeGroup = 1308;
inline constexpr int IntegerPrompt = 1309;
inline constexpr int ChartTitle = 1310;
inline constexpr int ReadingLabel = 1311;
inline constexpr int TimeLabel = 1312;
inline constexpr int MaxLabel = 1313;
inline constexpr int MinLabel = 1314;
inline constexpr int ReadingDataFormat = 1315;
inline constexpr int DataAddedText = 1316;
inline constexpr int UpperLimitLabel = 1317;
inline constexpr int LowerLimitLabel = 1318;
inline constexpr int ContinueButton = 1319;
inline constexpr int CloseButton = 1320;

// Second lines shown under other messages.
inline constexpr int SaveBeforeExit = 7005;
inline constexpr int RetryIn3Seconds = 7006;
inline constexpr int CheckCable = 7007;
inline constexpr int ContinueIn3Seconds = 7009;
inline constexpr int ReallyProceed = 7010;
inline constexpr int CheckPortAndWiring = 7011;

// Warnings and questions.
inline constexpr int LowBattery = 8000;
inline constexpr int SelectValidPort = 8001;
inline constexpr int ReallyClearBuffer = 8002;
inline constexpr int BufferHasData = 8003;
inline constexpr int NoDataWarning = 8004;
inline constexpr int ReadingFileWait = 8005;
inline constexpr int AddingDataWait = 8006;
inline constexpr int FirstPageReached = 8008;
inline constexpr int LastPageReached = 8009;
inline constexpr int BufferWillBeDestroyed = 8010;
inline constexpr int AcquiringFromMeter = 8012;
inline constexpr int ProcessingData = 8013;
inline constexpr int ReallyAbortImport = 8014;

// Export page ranges that give nothing to export.
inline constexpr int ReversedPages = 8100;
inline constexpr int NoSuchPages = 8101;

// The export dialog.
inline constexpr int ExportDialogCaption = 8120;
inline constexpr int ExportWord = 8121;
inline constexpr int DestinationWord = 8122;
inline constexpr int MetaFileChoice = 8123;
inline constexpr int BitMapChoice = 8124;
inline constexpr int TextOnlyChoice = 8125;
inline constexpr int ClipBoardChoice = 8126;
inline constexpr int FileChoice = 8127;
inline constexpr int BrowseButton = 8128;
inline constexpr int PrinterChoice = 8129;
inline constexpr int PageScopeGroup = 8130;
inline constexpr int AllPagesChoice = 8131;
inline constexpr int ThisPageChoice = 8132;
inline constexpr int PageChoice = 8133;
inline constexpr int FromLabel = 8134;
inline constexpr int ToLabel = 8135;
inline constexpr int ObjectSizeGroup = 8136;
inline constexpr int NoSpecificSize = 8138;
inline constexpr int PixelsUnit = 8139;
inline constexpr int MillimetersUnit = 8140;
inline constexpr int InchesUnit = 8141;
inline constexpr int PointsUnit = 8142;
inline constexpr int WidthLabel = 8143;
inline constexpr int SizeSlash = 8144;
inline constexpr int UnitsLabel = 8145;
inline constexpr int CancelButton = 8146;

// Left-over temporary files found at start-up.
inline constexpr int LeftoverFound = 8200;
inline constexpr int LeftoverFileLine = 8201;
inline constexpr int MoreLeftoverFiles = 8202;
inline constexpr int OpenNewestQuestion = 8203;
inline constexpr int LeftoverFilesStay = 8204;
inline constexpr int EmptyLeftoverFileLine = 8205;

// The import's progress lines and its warning about records left out.
inline constexpr int BytesReadFormat = 8300;
inline constexpr int Translating = 8301;
inline constexpr int RecordsLeftOut = 8302;

// The adaptor's connection.
inline constexpr int AdaptorLost = 8400;
inline constexpr int ReconnectsWhenBack = 8401;
inline constexpr int AdaptorBack = 8402;

// The port dialog's choice of meter.
inline constexpr int MeterLabel = 8500;
inline constexpr int AdaptorMeterChoice = 8501;
inline constexpr int Fs9721MeterChoice = 8502;
inline constexpr int Fs9922MeterChoice = 8503;
inline constexpr int Es51922MeterChoice = 8504;
inline constexpr int Ascii14MeterChoice = 8505;
inline constexpr int Ut71xMeterChoice = 8506;
inline constexpr int Ascii14At600MeterChoice = 8507;
inline constexpr int Ascii14At2400MeterChoice = 8508;
inline constexpr int Ascii14At9600MeterChoice = 8509;

// Finding the meter on the port: the port dialog's Detect and the probe's window.
inline constexpr int DetectMeterChoice = 8510;
inline constexpr int DetectCaption = 8511;
inline constexpr int DetectLookingOn = 8512;
inline constexpr int DetectTrying = 8513;
inline constexpr int DetectFoundOn = 8514;

// Errors.
inline constexpr int PortOpenError = 9001;
inline constexpr int LinkBeforeLogging = 9002;
inline constexpr int TempFileCreateError = 9003;
inline constexpr int FileOpenError = 9004;
inline constexpr int FileSaveError = 9005;
inline constexpr int OutOfMemory = 9006;
inline constexpr int InvalidFloat = 9007;
inline constexpr int LimitSettingError = 9008;
inline constexpr int PortSettingError = 9009;
inline constexpr int NoDataError = 9010;
inline constexpr int TransmissionError = 9012;
inline constexpr int BrowseFirst = 9013;
inline constexpr int NoDataLogging = 9014;
inline constexpr int PrintError = 9100;
inline constexpr int ClipboardError = 9101;
inline constexpr int TempFileWriteError = 9400;

// Detail lines of the import: what is wrong with a log's header, a record or the line.
inline constexpr int BadBank = 9300;
inline constexpr int AddressBeforeFirst = 9301;
inline constexpr int NoRecords = 9302;
inline constexpr int Bank0Overfull = 9303;
inline constexpr int PastBankEnd = 9304;
inline constexpr int NoRangeInMode3 = 9305;
inline constexpr int OverloadWithoutLevel = 9306;
inline constexpr int NoChartValue = 9307;
inline constexpr int RecordsLeftOutCount = 9308;
inline constexpr int ImageTooShort = 9309;
inline constexpr int ByteMissing = 9310;

// Caption formats: "Warning[W%d]" and "Error[E%d]" filled with the text's number.
inline constexpr int WarningCaption = 8999;
inline constexpr int ErrorCaption = 9999;

// The runtime's own error boxes.
inline constexpr int NotAFloat = 65399;
inline constexpr int NotAnInteger = 65400;
inline constexpr int CannotCreateFile = 65521;
inline constexpr int CannotOpenFile = 65522;

}  // namespace dmm::str
