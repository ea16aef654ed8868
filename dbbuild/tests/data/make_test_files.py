# Writes the small test files of this folder (run: python3 make_test_files.py here).
# The three nhi_*.csv files follow the published NHI open-data formats exactly
# (UTF-8 with a byte-order mark, CR LF, comma-separated, quoted where a field
# holds a comma, the exact header texts); names and rows are our own. Quirks on
# purpose: names that lost a character ("?"), compatibility ideographs
# (U+F91B, U+F9DC), a USE that disagrees with the order file (M54.5), PCS rows,
# revision status and date columns, a procedure row in the ICD-9 map.
import csv, io
def order(name, rows):
    with open(name,'w',newline='\n') as f:
        f.write("order_number\tcode\tvalid_for_submission\tshort_description\tlong_description\n")
        for i,(c,fl,t) in enumerate(rows,1):
            f.write("%05d\t%s\t%d\t%s\t%s\n"%(i,c,fl,t[:60],t))
def nhi(name, header, rows):
    b=io.StringIO()
    w=csv.writer(b,lineterminator='\r\n')
    w.writerow(header)
    for r in rows: w.writerow(r)
    open(name,'wb').write(b'\xef\xbb\xbf'+b.getvalue().encode('utf-8'))
T={
'A00':('Cholera','霍亂'),'A000':('Cholera due to Vibrio cholerae 01, biovar cholerae','霍亂，由於O1型霍亂弧菌霍亂生物型'),
'A001':('Cholera due to Vibrio cholerae 01, biovar eltor','霍亂，由於O1型霍亂弧菌El Tor生物型'),
'A009':('Cholera, unspecified','霍\uF91B，未明示'),
'K11':('Diseases of salivary glands','唾液腺疾病'),'K114':('Fistula of salivary gland','唾液腺?管'),
'K38':('Other diseases of appendix','闌尾其他疾病'),'K383':('Fistula of appendix','闌尾?管'),
'K50':("Crohn's disease [regional enteritis]",'克隆氏症（局部性腸炎）'),'K500':("Crohn's disease of small intestine",'小腸克隆氏症'),
'K5001':("Crohn's disease of small intestine with complications",'小腸克隆氏症伴有併發症'),
'K50013':("Crohn's disease of small intestine with fistula",'小腸克\uF9DC氏症伴有?管'),
'M54':('Dorsalgia','背痛'),'M545':('Low back pain','下背痛'),'M5450':('Low back pain, unspecified','下背痛，未明示'),
'M5451':('Vertebrogenic low back pain','脊椎源性下背痛'),'M5459':('Other low back pain','其他下背痛'),
'M79':('Other and unspecified soft tissue disorders, not elsewhere classified','其他及未明示軟組織疾患'),
'M791':('Myalgia','肌痛'),'M7910':('Myalgia, unspecified site','肌痛，未明示部位'),'M7911':('Myalgia of mastication muscle','咀嚼肌肌痛'),
'O35':('Maternal care for known or suspected fetal abnormality and damage','已知或疑似胎兒異常及損傷之孕產婦照護'),
'O350XX0':('Maternal care for (suspected) central nervous system malformation in fetus, not applicable or unspecified','胎兒（疑似）中樞神經系統畸形之孕產婦照護，不適用或未明示'),
'R51':('Headache','頭痛'),'R510':('Headache with orthostatic component, not elsewhere classified','頭痛伴有直立性成分，他處未歸類者'),
'R519':('Headache, unspecified','頭痛，未明示'),
'S93':('Dislocation and sprain of joints and ligaments at ankle, foot and toe level','踝、足及趾關節及韌帶脫臼及扭傷'),
'S934':('Sprain of ankle','踝扭傷'),'S9340':('Sprain of unspecified ligament of ankle','踝未明示韌帶扭傷'),
'S93401':('Sprain of unspecified ligament of right ankle','右側踝未明示韌帶扭傷'),
'S93401A':('Sprain of unspecified ligament of right ankle, initial encounter','右側踝未明示韌帶扭傷，初期照護'),
'S93401D':('Sprain of unspecified ligament of right ankle, subsequent encounter','右側踝未明示韌帶扭傷，後續照護'),
'S93401S':('Sprain of unspecified ligament of right ankle, sequela','右側踝未明示韌帶扭傷，後遺症'),
'U07':('Emergency use of U07','U07之緊急使用'),'U071':('COVID-19','COVID-19'),
}
def dot(c): return c if len(c)<=3 else c[:3]+'.'+c[3:]
o23=[('A00',0),('A000',1),('A001',1),('A009',1),('K11',0),('K114',1),('K38',0),('K383',1),('K50',0),('K500',0),('K5001',0),('K50013',1),
 ('M54',0),('M545',0),('M5450',1),('M5451',1),('M5459',1),('M79',0),('M791',0),('M7910',1),('M7911',1),('O35',0),('R51',0),('R510',1),('R519',1),
 ('S93',0),('S934',0),('S9340',0),('S93401',0),('S93401A',1),('S93401D',1),('S93401S',1),('U07',0),('U071',1)]
o14=[('A00',0),('A000',1),('A001',1),('A009',1),('K11',0),('K114',1),('K38',0),('K383',1),('K50',0),('K500',0),('K5001',0),('K50013',1),
 ('M54',0),('M545',1),('M79',0),('M791',1),('O35',0),('O350XX0',1),('R51',1),('S93',0),('S934',0),('S9340',0),('S93401',0),('S93401A',1),('S93401D',1),('S93401S',1)]
order('order_2023.tsv',[(c,f,T[c][0]) for c,f in o23])
order('order_2014.tsv',[(c,f,T[c][0]) for c,f in o14])
# Chinese edition
status={'M5450':('代碼新增','111.01.01新增代碼'),'M5451':('代碼新增','111.01.01新增代碼'),'M5459':('代碼新增','111.01.01新增代碼'),
 'R510':('英文名稱修改','112.03.15修正英文名稱'),'A009':('中文名稱修改','115.08.27修正中文名稱'),'K50013':('中文名稱修改','115.08.27修正中文名稱')}
rows=[]
for c,f in o23:
    use=f
    if c=='M545': use=1   # disagrees with the order file on purpose
    s,d=status.get(c,('',''))
    rows.append([dot(c),str(use),T[c][0],T[c][1],s,d])
rows.insert(12,['0016070','1','Bypass Cerebral Ventricle to Nasopharynx with Autologous Tissue Substitute, Open Approach','腦室至鼻咽繞道術，使用自體組織替代物，開放性進入','',''])
rows.append(['3E0T3GC','1','Introduction of Other Therapeutic Substance into Peripheral Nerves and Plexi, Percutaneous Approach','經皮注入其他治療物質至周邊神經及神經叢','',''])
nhi('nhi_icd10cm_2023_zh.csv',["2023年版ICD-10-CM/PCS","USE","ICD-10-CM/PCS英文名稱","ICD-10-CM/PCS中文名稱","狀態","修訂日期"],rows)
# ICD-9-CM 2001 to ICD-10-CM 2023
m9=[('001.0','Cholera due to vibrio cholerae','霍亂弧菌所致之霍亂','A000','一對一'),
    ('001.1','Cholera due to vibrio cholerae el tor','El Tor 霍亂弧菌所致之霍亂','A001','一對一'),
    ('001.9','Cholera, unspecified','霍亂，未明示者','A009','一對一'),
    ('527.4','Fistula of salivary gland','唾液腺瘻管','K114','一對一'),
    ('543.9','Other and unspecified diseases of appendix','闌尾其他及未明示之疾病','K383','一對多'),
    ('555.0','Regional enteritis of small intestine','小腸局部性腸炎','K50013','一對多'),
    ('724.2','Lumbago','腰痛','M5450','一對多'),('724.2','Lumbago','腰痛','M5451','一對多'),('724.2','Lumbago','腰痛','M5459','一對多'),
    ('729.1','Myalgia and myositis, unspecified','肌痛及肌炎，未明示者','M7910','一對多'),
    ('729.1','Myalgia and myositis, unspecified','肌痛及肌炎，未明示者','M7911','一對多'),
    ('784.0','Headache','頭痛','R519','一對多'),('784.0','Headache','頭痛','R510','一對多'),
    ('845.00','Sprain of ankle, unspecified site','踝扭傷，未明示部位','S93401A','一對多'),
    ('079.82','SARS-associated coronavirus','嚴重急性呼吸道症候群相關冠狀病毒','U071','一對一'),
    ('V01.82','Exposure to SARS-associated coronavirus','接觸嚴重急性呼吸道症候群相關冠狀病毒','','無對應'),
    ('00.01','Therapeutic ultrasound of vessels of head and neck','頭頸部血管治療性超音波','3E0T3GC','近似')]
rows=[]
for n9,en9,zh9,c10,kind in m9:
    rows.append([n9,en9,zh9,dot(c10) if c10 in T else c10,T[c10][0] if c10 in T else ('Introduction of Other Therapeutic Substance' if c10 else ''),
                 T[c10][1] if c10 in T else ('注入其他治療物質' if c10 else ''),kind,'','' if n9!='079.82' else '112.05.01新增對應'])
nhi('nhi_icd9cm_2001_to_icd10cm_2023.csv',["2001年版ICD-9-CM","ICD-9-CM英文名稱","ICD-9-CM中文名稱","2023年版ICD-10-CM/PCS",
    "2023年版ICD-10-CM/PCS英文名稱","2023年版ICD-10-CM/PCS中文名稱","對應情形","異動情形","修訂日期"],rows)
# ICD-10-CM 2014 to 2023
pairs=[]
c23=[c for c,_ in o23]; c14=[c for c,_ in o14]
for c in c14:
    if c=='M545': pairs+= [(c,x) for x in ('M5450','M5451','M5459')]
    elif c=='M791': pairs+= [(c,x) for x in ('M7910','M7911')]
    elif c=='R51': pairs+= [(c,x) for x in ('R510','R519')]
    elif c=='O350XX0': pairs.append((c,''))
    else: pairs.append((c,c))
pairs+= [('','U07'),('','U071')]
rows=[]
for a,b in pairs:
    s14='' if a=='' else '刪除' if b=='' else ('不變' if a==b else '修改')
    s23='新增' if a=='' else ('不變' if a==b else ('' if b=='' else '修改'))
    rows.append([dot(a) if a else '',T[a][0] if a else '',T[a][1] if a else '',dot(b) if b else '',T[b][0] if b else '',T[b][1] if b else '',s14,s23,''])
rows.append(['0016070','Bypass Cerebral Ventricle to Nasopharynx with Autologous Tissue Substitute, Open Approach','腦室至鼻咽繞道術，使用自體組織替代物，開放性進入',
             '0016070','Bypass Cerebral Ventricle to Nasopharynx with Autologous Tissue Substitute, Open Approach','腦室至鼻咽繞道術，使用自體組織替代物，開放性進入','不變','不變',''])
nhi('nhi_icd10cm_2014_to_2023.csv',["2014年版ICD-10-CM/PCS","2014年版ICD-10-CM/PCS_英文名稱","2014年版ICD-10-CM/PCS_中文名稱","2023年版ICD-10-CM/PCS",
    "2023年版ICD-10-CM/PCS_英文名稱","2023年版ICD-10-CM/PCS_中文名稱","2014代碼狀態","2023代碼狀態","修訂日期"],rows)
