-- The store database on SQLite: the fourteen tables the import writes.
-- Text compares without regard to case (COLLATE NOCASE), as a store database
-- on SQL Server does with its usual collation. SQLite does not enforce the
-- declared length of a text column, so each one carries a named CHECK
-- ("<Table>.<Column> too long"); a value that does not fit is refused as on a
-- server. The declared types are read back to classify the columns, so keep
-- them to NVARCHAR(n), NTEXT, INTEGER, SMALLINT, MONEY, FLOAT, BIT, DATETIME.

CREATE TABLE Item (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    HQID INTEGER NOT NULL DEFAULT 0,
    BarcodeFormat SMALLINT NOT NULL DEFAULT 0,
    BinLocation NVARCHAR(20) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Item.BinLocation too long" CHECK (length(BinLocation) <= 20),
    BuydownPrice MONEY NOT NULL DEFAULT 0,
    BuydownQuantity FLOAT NOT NULL DEFAULT 0,
    CategoryID INTEGER NULL DEFAULT 0,
    CommissionAmount MONEY NOT NULL DEFAULT 0,
    CommissionMaximum MONEY NOT NULL DEFAULT 0,
    CommissionMode INTEGER NOT NULL DEFAULT 0,
    CommissionPercentProfit FLOAT NOT NULL DEFAULT 0,
    CommissionPercentSale FLOAT NOT NULL DEFAULT 0,
    Cost MONEY NOT NULL DEFAULT 0,
    DepartmentID INTEGER NULL DEFAULT 0,
    Description NVARCHAR(30) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Item.Description too long" CHECK (length(Description) <= 30),
    FoodStampable BIT NOT NULL DEFAULT 0,
    ItemLookupCode NVARCHAR(25) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Item.ItemLookupCode too long" CHECK (length(ItemLookupCode) <= 25),
    ItemNotDiscountable BIT NOT NULL DEFAULT 0,
    ItemType SMALLINT NOT NULL DEFAULT 0,
    LastReceived DATETIME NULL,
    LastSold DATETIME NULL,
    LastUpdated DATETIME NULL,
    MessageID INTEGER NOT NULL DEFAULT 0,
    Notes NTEXT COLLATE NOCASE NOT NULL DEFAULT '',
    ParentItem INTEGER NULL DEFAULT 0,
    ParentQuantity FLOAT NOT NULL DEFAULT 0,
    Price MONEY NOT NULL DEFAULT 0,
    PriceA MONEY NOT NULL DEFAULT 0,
    PriceB MONEY NOT NULL DEFAULT 0,
    PriceC MONEY NOT NULL DEFAULT 0,
    PriceLowerBound MONEY NOT NULL DEFAULT 0,
    PriceUpperBound MONEY NOT NULL DEFAULT 0,
    PictureName NVARCHAR(50) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Item.PictureName too long" CHECK (length(PictureName) <= 50),
    Quantity FLOAT NOT NULL DEFAULT 0,
    QuantityCommitted FLOAT NOT NULL DEFAULT 0,
    QuantityDiscountID INTEGER NOT NULL DEFAULT 0,
    ReorderPoint FLOAT NOT NULL DEFAULT 0,
    RestockLevel FLOAT NOT NULL DEFAULT 0,
    SaleEndDate DATETIME NULL,
    SalePrice MONEY NOT NULL DEFAULT 0,
    SaleStartDate DATETIME NULL,
    SupplierID INTEGER NULL DEFAULT 0,
    TagAlongItem INTEGER NOT NULL DEFAULT 0,
    TagAlongQuantity FLOAT NOT NULL DEFAULT 0,
    TareWeight FLOAT NOT NULL DEFAULT 0,
    TareWeightPercent FLOAT NOT NULL DEFAULT 0,
    TaxId INTEGER NULL DEFAULT 0,
    ExtendedDescription NTEXT COLLATE NOCASE NOT NULL DEFAULT '',
    SubDescription1 NVARCHAR(30) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Item.SubDescription1 too long" CHECK (length(SubDescription1) <= 30),
    SubDescription2 NVARCHAR(30) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Item.SubDescription2 too long" CHECK (length(SubDescription2) <= 30),
    SubDescription3 NVARCHAR(30) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Item.SubDescription3 too long" CHECK (length(SubDescription3) <= 30),
    UnitOfMeasure NVARCHAR(10) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Item.UnitOfMeasure too long" CHECK (length(UnitOfMeasure) <= 10),
    QuantityEntryNotAllowed BIT NOT NULL DEFAULT 0,
    PriceMustBeEntered BIT NOT NULL DEFAULT 0,
    Weight FLOAT NOT NULL DEFAULT 0,
    ReplacementCost MONEY NOT NULL DEFAULT 0,
    WebItem BIT NOT NULL DEFAULT 0,
    LastCost MONEY NOT NULL DEFAULT 0
);
CREATE UNIQUE INDEX UX_Item_ItemLookupCode ON Item (ItemLookupCode);

CREATE TABLE Customer (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    AccountNumber NVARCHAR(20) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Customer.AccountNumber too long" CHECK (length(AccountNumber) <= 20),
    AccountOpened DATETIME NULL,
    Address NVARCHAR(50) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Customer.Address too long" CHECK (length(Address) <= 50),
    Address2 NVARCHAR(50) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Customer.Address2 too long" CHECK (length(Address2) <= 50),
    AssessFinanceCharges BIT NOT NULL DEFAULT 1,
    AccountBalance MONEY NOT NULL DEFAULT 0,
    City NVARCHAR(50) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Customer.City too long" CHECK (length(City) <= 50),
    Company NVARCHAR(50) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Customer.Company too long" CHECK (length(Company) <= 50),
    Country NVARCHAR(20) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Customer.Country too long" CHECK (length(Country) <= 20),
    CreditLimit MONEY NOT NULL DEFAULT 0,
    CurrentDiscount FLOAT NOT NULL DEFAULT 0,
    CustomDate1 DATETIME NULL,
    CustomDate2 DATETIME NULL,
    CustomDate3 DATETIME NULL,
    CustomDate4 DATETIME NULL,
    CustomDate5 DATETIME NULL,
    CustomNumber1 FLOAT NOT NULL DEFAULT 0,
    CustomNumber2 FLOAT NOT NULL DEFAULT 0,
    CustomNumber3 FLOAT NOT NULL DEFAULT 0,
    CustomNumber4 FLOAT NOT NULL DEFAULT 0,
    CustomNumber5 FLOAT NOT NULL DEFAULT 0,
    CustomText1 NVARCHAR(30) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Customer.CustomText1 too long" CHECK (length(CustomText1) <= 30),
    CustomText2 NVARCHAR(30) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Customer.CustomText2 too long" CHECK (length(CustomText2) <= 30),
    CustomText3 NVARCHAR(30) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Customer.CustomText3 too long" CHECK (length(CustomText3) <= 30),
    CustomText4 NVARCHAR(30) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Customer.CustomText4 too long" CHECK (length(CustomText4) <= 30),
    CustomText5 NVARCHAR(30) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Customer.CustomText5 too long" CHECK (length(CustomText5) <= 30),
    Employee BIT NOT NULL DEFAULT 0,
    FaxNumber NVARCHAR(30) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Customer.FaxNumber too long" CHECK (length(FaxNumber) <= 30),
    FirstName NVARCHAR(30) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Customer.FirstName too long" CHECK (length(FirstName) <= 30),
    HQID INTEGER NOT NULL DEFAULT 0,
    LastClosingDate DATETIME NULL,
    LastName NVARCHAR(50) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Customer.LastName too long" CHECK (length(LastName) <= 50),
    LastUpdated DATETIME NULL,
    LastVisit DATETIME NULL,
    LayawayCustomer BIT NOT NULL DEFAULT 0,
    LimitPurchase BIT NOT NULL DEFAULT 0,
    Notes NTEXT COLLATE NOCASE NOT NULL DEFAULT '',
    PhoneNumber NVARCHAR(30) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Customer.PhoneNumber too long" CHECK (length(PhoneNumber) <= 30),
    Pricelevel SMALLINT NOT NULL DEFAULT 0,
    PrimaryShipToId INTEGER NOT NULL DEFAULT 0,
    State NVARCHAR(20) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Customer.State too long" CHECK (length(State) <= 20),
    StoreId INTEGER NOT NULL DEFAULT 0,
    TaxExempt BIT NOT NULL DEFAULT 0,
    TotalSales MONEY NOT NULL DEFAULT 0,
    TotalSavings MONEY NOT NULL DEFAULT 0,
    TotalVisits INTEGER NOT NULL DEFAULT 0,
    Zip NVARCHAR(15) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Customer.Zip too long" CHECK (length(Zip) <= 15),
    Title NVARCHAR(20) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Customer.Title too long" CHECK (length(Title) <= 20),
    EmailAddress NVARCHAR(255) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Customer.EmailAddress too long" CHECK (length(EmailAddress) <= 255),
    TaxNumber NVARCHAR(20) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Customer.TaxNumber too long" CHECK (length(TaxNumber) <= 20),
    PictureName NVARCHAR(50) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Customer.PictureName too long" CHECK (length(PictureName) <= 50)
);
CREATE UNIQUE INDEX UX_Customer_AccountNumber ON Customer (AccountNumber);

CREATE TABLE Supplier (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    HQID INTEGER NOT NULL DEFAULT 0,
    SupplierName NVARCHAR(30) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Supplier.SupplierName too long" CHECK (length(SupplierName) <= 30),
    Code NVARCHAR(10) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Supplier.Code too long" CHECK (length(Code) <= 10),
    ContactName NVARCHAR(50) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Supplier.ContactName too long" CHECK (length(ContactName) <= 50),
    Address1 NVARCHAR(50) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Supplier.Address1 too long" CHECK (length(Address1) <= 50),
    Address2 NVARCHAR(50) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Supplier.Address2 too long" CHECK (length(Address2) <= 50),
    City NVARCHAR(50) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Supplier.City too long" CHECK (length(City) <= 50),
    State NVARCHAR(20) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Supplier.State too long" CHECK (length(State) <= 20),
    Zip NVARCHAR(15) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Supplier.Zip too long" CHECK (length(Zip) <= 15),
    PhoneNumber NVARCHAR(30) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Supplier.PhoneNumber too long" CHECK (length(PhoneNumber) <= 30),
    FaxNumber NVARCHAR(30) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Supplier.FaxNumber too long" CHECK (length(FaxNumber) <= 30),
    Country NVARCHAR(20) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Supplier.Country too long" CHECK (length(Country) <= 20),
    EMailAddress NVARCHAR(255) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Supplier.EMailAddress too long" CHECK (length(EMailAddress) <= 255),
    WebPageAddress NVARCHAR(255) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Supplier.WebPageAddress too long" CHECK (length(WebPageAddress) <= 255),
    TaxNumber NVARCHAR(20) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Supplier.TaxNumber too long" CHECK (length(TaxNumber) <= 20)
);
CREATE UNIQUE INDEX UX_Supplier_SupplierName ON Supplier (SupplierName);

CREATE TABLE SupplierList (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    ItemID INTEGER NOT NULL DEFAULT 0,
    SupplierID INTEGER NOT NULL DEFAULT 0,
    Cost MONEY NOT NULL DEFAULT 0,
    ReorderNumber NVARCHAR(25) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "SupplierList.ReorderNumber too long" CHECK (length(ReorderNumber) <= 25),
    MinimumOrder FLOAT NOT NULL DEFAULT 1,
    MasterPackQuantity FLOAT NOT NULL DEFAULT 0
);

CREATE TABLE Department (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    HQID INTEGER NOT NULL DEFAULT 0,
    Name NVARCHAR(30) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Department.Name too long" CHECK (length(Name) <= 30),
    Code NVARCHAR(10) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Department.Code too long" CHECK (length(Code) <= 10)
);

CREATE TABLE Category (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    HQID INTEGER NOT NULL DEFAULT 0,
    DepartmentID INTEGER NOT NULL DEFAULT 0,
    Name NVARCHAR(30) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Category.Name too long" CHECK (length(Name) <= 30),
    Code NVARCHAR(10) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Category.Code too long" CHECK (length(Code) <= 10)
);

CREATE TABLE ItemTax (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    HQID INTEGER NOT NULL DEFAULT 0,
    Code NVARCHAR(10) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "ItemTax.Code too long" CHECK (length(Code) <= 10),
    Description NVARCHAR(20) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "ItemTax.Description too long" CHECK (length(Description) <= 20),
    TaxID01 INTEGER NOT NULL DEFAULT 0,
    ShowOnReceipt01 BIT NOT NULL DEFAULT 0,
    TaxID02 INTEGER NOT NULL DEFAULT 0,
    ShowOnReceipt02 BIT NOT NULL DEFAULT 0,
    TaxID03 INTEGER NOT NULL DEFAULT 0,
    ShowOnReceipt03 BIT NOT NULL DEFAULT 0,
    TaxID04 INTEGER NOT NULL DEFAULT 0,
    ShowOnReceipt04 BIT NOT NULL DEFAULT 0,
    TaxID05 INTEGER NOT NULL DEFAULT 0,
    ShowOnReceipt05 BIT NOT NULL DEFAULT 0,
    TaxID06 INTEGER NOT NULL DEFAULT 0,
    ShowOnReceipt06 BIT NOT NULL DEFAULT 0,
    TaxID07 INTEGER NOT NULL DEFAULT 0,
    ShowOnReceipt07 BIT NOT NULL DEFAULT 0,
    TaxID08 INTEGER NOT NULL DEFAULT 0,
    ShowOnReceipt08 BIT NOT NULL DEFAULT 0,
    TaxID09 INTEGER NOT NULL DEFAULT 0,
    ShowOnReceipt09 BIT NOT NULL DEFAULT 0,
    TaxID10 INTEGER NOT NULL DEFAULT 0,
    ShowOnReceipt10 BIT NOT NULL DEFAULT 0
);

CREATE TABLE Tax (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    HQID INTEGER NOT NULL DEFAULT 0,
    Code NVARCHAR(10) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Tax.Code too long" CHECK (length(Code) <= 10),
    Description NVARCHAR(30) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Tax.Description too long" CHECK (length(Description) <= 30),
    Percentage FLOAT NOT NULL DEFAULT 0,
    UsePartialDollar BIT NOT NULL DEFAULT 0,
    ItemMaximum MONEY NOT NULL DEFAULT 0,
    IncludePreviousTax BIT NOT NULL DEFAULT 0,
    FixedAmount MONEY NOT NULL DEFAULT 0,
    Bracket00 MONEY NOT NULL DEFAULT 0,
    Bracket01 MONEY NOT NULL DEFAULT 0,
    Bracket02 MONEY NOT NULL DEFAULT 0,
    Bracket03 MONEY NOT NULL DEFAULT 0,
    Bracket04 MONEY NOT NULL DEFAULT 0,
    Bracket05 MONEY NOT NULL DEFAULT 0,
    Bracket06 MONEY NOT NULL DEFAULT 0,
    Bracket07 MONEY NOT NULL DEFAULT 0,
    Bracket08 MONEY NOT NULL DEFAULT 0,
    Bracket09 MONEY NOT NULL DEFAULT 0,
    Bracket10 MONEY NOT NULL DEFAULT 0
);

CREATE TABLE Alias (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    ItemID INTEGER NOT NULL DEFAULT 0,
    Alias NVARCHAR(25) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Alias.Alias too long" CHECK (length(Alias) <= 25)
);
CREATE UNIQUE INDEX UX_Alias_Alias ON Alias (Alias);

CREATE TABLE ItemClass (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    ItemLookupCode NVARCHAR(25) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "ItemClass.ItemLookupCode too long" CHECK (length(ItemLookupCode) <= 25),
    Description NVARCHAR(30) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "ItemClass.Description too long" CHECK (length(Description) <= 30),
    Dimensions SMALLINT NOT NULL DEFAULT 1,
    Title1 NVARCHAR(20) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "ItemClass.Title1 too long" CHECK (length(Title1) <= 20),
    Title2 NVARCHAR(20) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "ItemClass.Title2 too long" CHECK (length(Title2) <= 20),
    Title3 NVARCHAR(20) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "ItemClass.Title3 too long" CHECK (length(Title3) <= 20)
);
CREATE UNIQUE INDEX UX_ItemClass_ItemLookupCode ON ItemClass (ItemLookupCode);

CREATE TABLE ItemClassComponent (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    ItemClassID INTEGER NOT NULL DEFAULT 0,
    ItemID INTEGER NOT NULL DEFAULT 0,
    Detail1 NVARCHAR(20) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "ItemClassComponent.Detail1 too long" CHECK (length(Detail1) <= 20),
    Detail2 NVARCHAR(20) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "ItemClassComponent.Detail2 too long" CHECK (length(Detail2) <= 20),
    Detail3 NVARCHAR(20) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "ItemClassComponent.Detail3 too long" CHECK (length(Detail3) <= 20)
);

CREATE TABLE Security (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    FormName NVARCHAR(50) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Security.FormName too long" CHECK (length(FormName) <= 50),
    ClassName NVARCHAR(50) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Security.ClassName too long" CHECK (length(ClassName) <= 50),
    ControlType NVARCHAR(50) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Security.ControlType too long" CHECK (length(ControlType) <= 50),
    ControlName NVARCHAR(50) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Security.ControlName too long" CHECK (length(ControlName) <= 50),
    ControlIndex INTEGER NOT NULL DEFAULT 0,
    ReadDisableCode INTEGER NOT NULL DEFAULT 0,
    ChangeDisableCode INTEGER NOT NULL DEFAULT 0,
    ColumnTitle NVARCHAR(50) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "Security.ColumnTitle too long" CHECK (length(ColumnTitle) <= 50),
    StoreID INTEGER NOT NULL DEFAULT 0
);

CREATE TABLE AccountReceivable (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    CustomerID INTEGER NOT NULL DEFAULT 0,
    Date DATETIME NULL,
    DueDate DATETIME NULL,
    OriginalAmount MONEY NOT NULL DEFAULT 0,
    TransactionNumber INTEGER NOT NULL DEFAULT 0,
    Type SMALLINT NOT NULL DEFAULT 2,
    Balance MONEY NOT NULL DEFAULT 0
);

CREATE TABLE AccountReceivableHistory (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    AccountReceivableID INTEGER NOT NULL DEFAULT 0,
    BatchNumber INTEGER NOT NULL DEFAULT 0,
    Amount MONEY NOT NULL DEFAULT 0,
    PaymentID INTEGER NOT NULL DEFAULT 0,
    Comment NVARCHAR(255) COLLATE NOCASE NOT NULL DEFAULT ''
        CONSTRAINT "AccountReceivableHistory.Comment too long" CHECK (length(Comment) <= 255),
    CashierID INTEGER NOT NULL DEFAULT 0,
    Date DATETIME NULL,
    HistoryType SMALLINT NOT NULL DEFAULT 5
);
