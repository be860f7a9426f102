{ Independent peer for the property-stream tests, built with Free Pascal's own component
  streaming (unit Classes). It declares the test classes of
  tests/foundation/PropStreamTestClasses.h property for property.

    pasreader rewrite IN OUT   read the component stream IN, write it again to OUT
    pasreader dump IN          read IN and print the property values, one object a line
    pasreader text IN          print IN in the text form (ObjectBinaryToText)
    pasreader make OUT         write the sample object tree below to OUT (fpc-written.bin) }
program pasreader;

{$mode objfpc}{$H+}

uses
  Classes, SysUtils;

type
  TColor = -$7FFFFFFF - 1..$7FFFFFFF;
  TTestKind = (tkAlpha, tkBeta, tkGamma);
  TTestOption = (toBold, toItalic, toUnderline, toStrike);
  TTestOptions = set of TTestOption;

  TTestFont = class(TPersistent)
  private
    FName: string;
    FSize: Integer;
    FStyle: TTestOptions;
    FColor: TColor;
    FCharset: Byte;
  public
    constructor Create;
    procedure Assign(Source: TPersistent); override;
  published
    property Name: string read FName write FName;
    property Size: Integer read FSize write FSize default 9;
    property Style: TTestOptions read FStyle write FStyle default [];
    property Color: TColor read FColor write FColor default 0;
    property Charset: Byte read FCharset write FCharset default 1;
  end;

  TTestItem = class(TCollectionItem)
  private
    FValue: Integer;
    FCaption: string;
  published
    property Value: Integer read FValue write FValue default 0;
    property Caption: string read FCaption write FCaption;
  end;

  TTestObject = class(TComponent)
  private
    FSmall, FCounter: Integer;
    FBig: Int64;
    FEnabled, FHidden: Boolean;
    FKind: TTestKind;
    FOptions: TTestOptions;
    FRatio: Double;
    FScale: Single;
    FPrice: Currency;
    FStamp: TDateTime;
    FCaption, FNote: string;
    FColor: TColor;
    FLines: TStrings;
    FFont: TTestFont;
    FItems: TCollection;
    FBuddy: TTestObject;
    FSecret, FOffset: Integer;
    FData: TMemoryStream;
    FExtra: array of Integer;
    procedure SetLines(V: TStrings);
    procedure SetFont(V: TTestFont);
    procedure SetItems(V: TCollection);
    procedure SetBuddy(V: TTestObject);
    function IsOffsetStored: Boolean;
    procedure ReadData(S: TStream);
    procedure WriteData(S: TStream);
    procedure ReadExtra(R: TReader);
    procedure WriteExtra(W: TWriter);
  protected
    procedure DefineProperties(Filer: TFiler); override;
    procedure GetChildren(Proc: TGetChildProc; Root: TComponent); override;
    procedure Notification(AComponent: TComponent; Operation: TOperation); override;
  public
    constructor Create(AOwner: TComponent); override;
    destructor Destroy; override;
  published
    property Small: Integer read FSmall write FSmall;
    property Counter: Integer read FCounter write FCounter default 100;
    property Big: Int64 read FBig write FBig;
    property Enabled: Boolean read FEnabled write FEnabled;
    property Hidden: Boolean read FHidden write FHidden default False;
    property Kind: TTestKind read FKind write FKind default tkAlpha;
    property Options: TTestOptions read FOptions write FOptions;
    property Ratio: Double read FRatio write FRatio;
    property Scale: Single read FScale write FScale;
    property Price: Currency read FPrice write FPrice;
    property Stamp: TDateTime read FStamp write FStamp;
    property Caption: string read FCaption write FCaption;
    property Note: string read FNote write FNote;
    property Color: TColor read FColor write FColor default $FFFFFF;
    property Lines: TStrings read FLines write SetLines;
    property Font: TTestFont read FFont write SetFont;
    property Items: TCollection read FItems write SetItems;
    property Buddy: TTestObject read FBuddy write SetBuddy;
    property Secret: Integer read FSecret write FSecret stored False;
    property Offset: Integer read FOffset write FOffset stored IsOffsetStored;
  end;

constructor TTestFont.Create;
begin
  inherited Create;
  FSize := 9;
  FCharset := 1;
end;

procedure TTestFont.Assign(Source: TPersistent);
var
  S: TTestFont;
begin
  if Source is TTestFont then
  begin
    S := TTestFont(Source);
    FName := S.FName; FSize := S.FSize; FStyle := S.FStyle;
    FColor := S.FColor; FCharset := S.FCharset;
  end
  else
    inherited Assign(Source);
end;

constructor TTestObject.Create(AOwner: TComponent);
begin
  inherited Create(AOwner);
  FCounter := 100;
  FEnabled := True;
  FColor := $FFFFFF;
  FLines := TStringList.Create;
  FFont := TTestFont.Create;
  FItems := TCollection.Create(TTestItem);
  FData := TMemoryStream.Create;
end;

destructor TTestObject.Destroy;
begin
  FData.Free;
  FItems.Free;
  FFont.Free;
  FLines.Free;
  inherited Destroy;
end;

procedure TTestObject.SetLines(V: TStrings); begin FLines.Assign(V); end;
procedure TTestObject.SetFont(V: TTestFont); begin FFont.Assign(V); end;
procedure TTestObject.SetItems(V: TCollection); begin FItems.Assign(V); end;

procedure TTestObject.SetBuddy(V: TTestObject);
begin
  FBuddy := V;
  if V <> nil then
    V.FreeNotification(Self);
end;

function TTestObject.IsOffsetStored: Boolean;
begin
  Result := FKind = tkGamma;
end;

procedure TTestObject.Notification(AComponent: TComponent; Operation: TOperation);
begin
  inherited Notification(AComponent, Operation);
  if (Operation = opRemove) and (AComponent = FBuddy) then
    FBuddy := nil;
end;

procedure TTestObject.ReadData(S: TStream);
begin
  FData.Clear;
  FData.CopyFrom(S, S.Size);
end;

procedure TTestObject.WriteData(S: TStream);
begin
  S.WriteBuffer(FData.Memory^, FData.Size);
end;

procedure TTestObject.ReadExtra(R: TReader);
begin
  SetLength(FExtra, 0);
  R.ReadListBegin;
  while not R.EndOfList do
  begin
    SetLength(FExtra, Length(FExtra) + 1);
    FExtra[High(FExtra)] := R.ReadInteger;
  end;
  R.ReadListEnd;
end;

procedure TTestObject.WriteExtra(W: TWriter);
var
  I: Integer;
begin
  W.WriteListBegin;
  for I := 0 to High(FExtra) do
    W.WriteInteger(FExtra[I]);
  W.WriteListEnd;
end;

procedure TTestObject.DefineProperties(Filer: TFiler);
begin
  inherited DefineProperties(Filer);
  Filer.DefineBinaryProperty('Data', @ReadData, @WriteData, FData.Size > 0);
  Filer.DefineProperty('Extra', @ReadExtra, @WriteExtra, Length(FExtra) > 0);
end;

procedure TTestObject.GetChildren(Proc: TGetChildProc; Root: TComponent);
var
  I: Integer;
begin
  for I := 0 to ComponentCount - 1 do
    Proc(Components[I]);
end;

const
  ColorNames: array[0..2] of TIdentMapEntry = (
    (Value: $0000FF; Name: 'clRed'),
    (Value: $1FFFFFFF; Name: 'clNone'),
    (Value: $FFFFFF; Name: 'clWhite'));

function ColorToIdent(Int: Longint; var Ident: string): Boolean;
begin
  Result := IntToIdent(Int, Ident, ColorNames);
end;

function IdentToColor(const Ident: string; var Int: Longint): Boolean;
begin
  Result := IdentToInt(Ident, Int, ColorNames);
end;

function HexOf(const P; Size: Integer): string;
var
  B: PByte;
  I: Integer;
begin
  Result := '';
  B := @P;
  for I := Size - 1 downto 0 do
    Result := Result + IntToHex(B[I], 2);
end;

function BytesOf(const S: RawByteString): string;
var
  I: Integer;
begin
  Result := '';
  for I := 1 to Length(S) do
    Result := Result + IntToHex(Ord(S[I]), 2);
end;

function OptionsText(O: TTestOptions): string;
var
  T: TTestOption;
begin
  Result := '';
  for T := Low(TTestOption) to High(TTestOption) do
    if T in O then
      Result := Result + IntToStr(Ord(T));
end;

procedure Dump(O: TTestObject);
var
  I: Integer;
  Buddy: string;
begin
  if O.Buddy <> nil then Buddy := O.Buddy.Name else Buddy := 'nil';
  Write(O.Name, ' Small=', O.Small, ' Counter=', O.Counter, ' Big=', O.Big,
    ' Enabled=', O.Enabled, ' Hidden=', O.Hidden, ' Kind=', Ord(O.Kind),
    ' Options=', OptionsText(O.Options), ' Ratio=', HexOf(O.FRatio, 8),
    ' Scale=', HexOf(O.FScale, 4), ' Price=', HexOf(O.FPrice, 8),
    ' Stamp=', HexOf(O.FStamp, 8), ' Caption=', BytesOf(O.Caption),
    ' Note=', BytesOf(O.Note), ' Color=', O.Color, ' Lines=');
  for I := 0 to O.Lines.Count - 1 do
    Write(BytesOf(O.Lines[I]), ';');
  Write(' Font=', BytesOf(O.Font.Name), ',', O.Font.Size, ',', OptionsText(O.Font.Style), ',',
    O.Font.Color, ',', O.Font.Charset, ' Items=');
  for I := 0 to O.Items.Count - 1 do
    Write(TTestItem(O.Items.Items[I]).Value, ':', BytesOf(TTestItem(O.Items.Items[I]).Caption), ';');
  Write(' Buddy=', Buddy, ' Secret=', O.Secret, ' Offset=', O.Offset, ' Data=');
  for I := 0 to O.FData.Size - 1 do
    Write(IntToHex(PByte(O.FData.Memory)[I], 2));
  Write(' Extra=');
  for I := 0 to High(O.FExtra) do
    Write(O.FExtra[I], ';');
  WriteLn;
  for I := 0 to O.ComponentCount - 1 do
    if O.Components[I] is TTestObject then
      Dump(TTestObject(O.Components[I]));
end;

function Load(const FileName: string): TTestObject;
var
  M: TMemoryStream;
begin
  M := TMemoryStream.Create;
  try
    M.LoadFromFile(FileName);
    Result := M.ReadComponent(nil) as TTestObject;
  finally
    M.Free;
  end;
end;

procedure Save(C: TComponent; const FileName: string);
var
  M: TMemoryStream;
begin
  M := TMemoryStream.Create;
  try
    M.WriteComponent(C);
    M.SaveToFile(FileName);
  finally
    M.Free;
  end;
end;

procedure ToText(const FileName: string);
var
  M: TMemoryStream;
  T: TStringStream;
begin
  M := TMemoryStream.Create;
  T := TStringStream.Create('');
  try
    M.LoadFromFile(FileName);
    ObjectBinaryToText(M, T);
    Write(T.DataString);
  finally
    T.Free;
    M.Free;
  end;
end;

function MakeSample: TTestObject;
var
  Child: TTestObject;
  Item: TTestItem;
  B: array[0..5] of Byte = (68, 65, 84, 65, 0, 1);
begin
  Result := TTestObject.Create(nil);
  Result.Name := 'FpcRoot';
  Result.Small := -5;
  Result.Counter := 300;
  Result.Big := -7000000000;
  Result.Enabled := False;
  Result.Hidden := True;
  Result.Kind := tkGamma;
  Result.Options := [toItalic, toUnderline];
  Result.Ratio := 0.1;
  Result.Scale := 0.75;
  Result.Price := 3.5;
  Result.Stamp := 36526.5;
  Result.Caption := 'Free Pascal';
  Result.Note := StringOfChar('z', 300);
  Result.Color := $0000FF;
  Result.Lines.Add('alpha');
  Result.Lines.Add('beta');
  Result.Font.Name := 'Courier';
  Result.Font.Size := 11;
  Result.Font.Style := [toBold];
  Result.Font.Color := $1FFFFFFF;
  Result.Font.Charset := 128;
  Item := TTestItem(Result.Items.Add);
  Item.Value := 1;
  Item.Caption := 'one';
  Item := TTestItem(Result.Items.Add);
  Item.Value := 2;
  Item.Caption := 'two';
  Result.Secret := 9;
  Result.Offset := 42;
  Result.FData.WriteBuffer(B, SizeOf(B));
  SetLength(Result.FExtra, 2);
  Result.FExtra[0] := 10;
  Result.FExtra[1] := -20;
  Child := TTestObject.Create(Result);
  Child.Name := 'FpcChild';
  Child.Small := 1;
  Result.Buddy := Child;
end;

var
  Obj: TTestObject;
begin
  RegisterClasses([TTestObject, TTestItem]);
  RegisterIntegerConsts(TypeInfo(TColor), @IdentToColor, @ColorToIdent);
  if (ParamCount = 3) and (ParamStr(1) = 'rewrite') then
  begin
    Obj := Load(ParamStr(2));
    Save(Obj, ParamStr(3));
    Obj.Free;
  end
  else if (ParamCount = 2) and (ParamStr(1) = 'dump') then
  begin
    Obj := Load(ParamStr(2));
    Dump(Obj);
    Obj.Free;
  end
  else if (ParamCount = 2) and (ParamStr(1) = 'text') then
    ToText(ParamStr(2))
  else if (ParamCount = 2) and (ParamStr(1) = 'make') then
  begin
    Obj := MakeSample;
    Save(Obj, ParamStr(2));
    Obj.Free;
  end
  else
  begin
    WriteLn(StdErr, 'usage: pasreader rewrite IN OUT | dump IN | text IN | make OUT');
    Halt(2);
  end;
end.
