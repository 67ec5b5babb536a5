-- The semester declaration's fixture: each row is there for one rule of the screening, the
-- rounding or the text. Loaded by tests/declaration/test_semester.cpp and tests/cli/test_declare_semester.cpp.
UPDATE Zet_Info SET DENUMIRE='Exemplu Distribuție SRL', CODFISCAL='RO14399840', JUDET1='B', ORAS1='Bucuresti', STRADA1='Bd. Unirii', NR1='15', BLOC1=NULL, AP1='7', TELEFON1='0213101010', FAX1=NULL, EMAIL1='contact@exemplu.ro';
INSERT INTO zet_jvt_UE (NUME, CODF, TOTAL, COL6, COL7, COL8, COL9, COL10) VALUES ('Alfa SRL', 'RO123', 124.5, 100.5, 24, 0, 0, 0),
('Alfa SRL', 'RO123', 1.125, 1, 0.125, 0, 0, 0),  -- two lines of one partner
('Beta SA', 'ro456', 111, 0, 0, 101.5, 9.5, 0),  -- lower-case prefix, halves to even
('Gama', 'O789', 12.5, 10, 2.5, 0, 0, 0),  -- an O without R stays
('Delta', ' RO321', 2, 1, 1, 0, 0, 0),  -- a leading space keeps the prefix
('Lung SRL', 'RO12345678901', 2, 1, 1, 0, 0, 0),  -- 13 as stored: 11 after the prefix
('Lung Doi', '12345678901', 2, 1, 1, 0, 0, 0),  -- 11: rejected by A and again by E
('Prefix Gol', 'RO', 2, 1, 1, 0, 0, 0),  -- empty code: never new, accepted by D and E
('', 'RO555', 4, 3, 1, 0, 0, 0),  -- a name stored as empty text
('NRTERTI nBazaLivrari', 'RO2024', 2, 1, 1, 0, 0, 0),  -- placeholder words, code inside the year
('Zero TVA', 'RO999', 100, 100, 0, 0, 0, 0),  -- no VAT: not in the declaration
('Negativ', 'RO777', -4, -3.25, -0.75, 0, 0, 0),
('Șoim', 'RO888', 0.75, 0.5, 0.25, 0, 0, 0);  -- ș is written as ş in Windows-1250
INSERT INTO zet_jct_UE (NUME, CODF, TOTAL, COL6, COL7, COL8, COL9, COL10, COL11, COL12, COL13, COL14, COL15, COL16, COL17) VALUES ('Furnizor Unu', 'RO789012', 124.155, 100.125, 24.03, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0),
('Beta SA', '456', 8, 7, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0),  -- also a customer: a repeat in B
('Persoana Fizica', '1234567890123', 8, 7, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0),  -- 13: skipped silently
('Scurt', 'RO1', 8, 7, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0),  -- one character: dropped by C only
('Furnizor Doi', 'RO 345', 8, 7, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0),
('Taxare Inversa', 'RO678', 62, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 50, 12),  -- no VAT in COL7..COL15
('Mult', 'RO111', 65, 0, 0, 10, 0.5, 20, 4.5, 0, 0, 0, 0, 0, 0);
