-- Demo data, loaded by "scripts/db demo" into freshly reset databases.
-- Every demo account's password is its user name (any case); fpasswd holds
-- the stored form: upper-cased, each character moved up by the length.
-- Dates are relative to the load time so the desk always has recent work.

USE corvane3_tkt;

INSERT INTO control (FUnivCode, FUnivAdd1, FUnivAdd2, FUnivAdd3, FUnivAdd4, ftktversion, fstarted)
VALUES ('041', 'Tessaly Central University', 'Examination Branch, University Road',
        'Tessaly - 600 041', 'Phone 0412 255 0101', '103', NULL);

INSERT INTO masuniv (funivcode, funivname, fdbname, funivshort, femailid) VALUES
    ('003', 'Marlowe University',          'corvane3_mar', 'MU',   'helpdesk@marlowe.example.edu'),
    ('023', 'Halvern Open University',     'corvane3_023', 'HOU',  NULL),
    ('041', 'Tessaly Central University',  'corvane3_tsc', 'TCU',  'grievance@tessaly.example.edu'),
    ('042', 'Tessaly North University',    'corvane3_tnu', 'TNU',  'support@tnu.example.edu'),
    ('999', 'Corvane',                     'corvane3_cor', 'CORV', 'desk@corvane.example.com');

-- Passwords: ADMIN, DESK11, DESK21, DESK31, DESK32 (each the user name).
INSERT INTO masuser (fusername, fpasswd, fgroup, fsection, fpermission, ftktid) VALUES
    ('ADMIN', 'FIRNS', '1', 'Administration', 'N1*N11*N2*N21*N22*N23*N24*N25*N3*N31*N4*N41*N42*N43*N44*N26*N32*N45*N46*', NULL),
    ('DESK11', 'JKYQ77', '1', 'Controller of Examinations', 'N2*N21*N3*N31*N4*N42*', NULL),
    ('DESK21', 'JKYQ87', '2', 'Admissions Section', 'N2*N21*N22*N23*N24*N4*N42*', NULL),
    ('DESK31', 'JKYQ97', '3', 'Front Desk', 'N2*N21*N4*N42*', NULL),
    ('DESK32', 'JKYQ98', '3', 'Front Desk', 'N2*N21*N4*N42*', NULL);

INSERT INTO tkthead (ftktid, ftktdate, fregno, ftktfrom, ftktemail, fstudemail, ftktsub, ftktmsg, ftktuser,
                     ftktmode, ftktmobile, funivcode, ftktstatus, fdeleted, ftktgroup, ffinaluser, ffinaldate) VALUES
    (1001, now() - interval 7199 minute, '041202164555', 'அனிதா ராமன்', 'anitha.raman92@mail.example.com', 'anitha264@alt.example.org', 'Unable to make final submission', 'The application form does not allow me to edit my subjects after final submission. Please reset it.', 'Student', 'W', '9840012345', '041', '', NULL, '3', NULL, NULL),
    (1002, now() - interval 7164 minute, '042202194073', 'Manoj Nair', 'manoj.nair50@mail.example.com', NULL, 'Result withheld', 'My result for the last semester shows as withheld. I have cleared all dues. Please release the result.', 'Student', 'W', '9416132766', '042', NULL, NULL, '3', NULL, NULL),
    (1003, now() - interval 7157 minute, NULL, 'कार्तिक नायर', 'karthik.nair95@mail.example.com', 'karthik438@alt.example.org', 'Unable to make final submission', 'The application form does not allow me to edit my subjects after final submission. Please reset it.', 'Student', 'W', '9840023456', '041', NULL, NULL, '3', NULL, NULL),
    (1004, now() - interval 7145 minute, '1101', 'Principal, Hillview Arts College', 'c101@colleges.example.edu', NULL, 'Duplicate students reported', 'The import reported duplicates for students who are not in our college. Please check.', '1101', 'W', '8582375872', '041', '', NULL, '3', NULL, NULL),
    (1005, now() - interval 7040 minute, '042202183377', 'Manoj Kumar', 'manoj.kumar74@mail.example.com', 'manoj687@alt.example.org', 'Unable to make final submission', 'The application form does not allow me to edit my subjects after final submission. Please reset it.', 'Student', 'W', '8349525787', '042', 'A', NULL, '3', NULL, NULL),
    (1006, now() - interval 6853 minute, '041202333077', 'Swathi Rao', 'swathi.rao81@mail.example.com', NULL, 'Fee paid but status pending', 'The fee has been debited from my account but the portal still shows payment pending.', 'Student', 'W', '9840034567', '041', NULL, NULL, '3', NULL, NULL),
    (1007, now() - interval 6784 minute, '041202137724', 'Kiran Raman', 'kiran.raman22@mail.example.com', NULL, 'Name misspelt in mark sheet', 'My name is printed wrongly in the semester mark sheet. Please correct the spelling as per my certificate.', 'Student', 'W', '9741412852', '041', NULL, NULL, '3', NULL, NULL),
    (1008, now() - interval 6733 minute, '1101', 'Principal, Hillview Arts College', 'c101@colleges.example.edu', NULL, 'Duplicate students reported', 'The import reported duplicates for students who are not in our college. Please check.', '1101', 'W', '8641811253', '041', NULL, NULL, '3', NULL, NULL),
    (1009, now() - interval 6723 minute, NULL, 'Ganesh Das', 'ganesh.das87@mail.example.com', 'ganesh797@alt.example.org', 'Hall ticket not received', 'I have paid the examination fee on time but my hall ticket is not yet available on the portal. Kindly help.', 'Student', 'W', '9840045678', '041', '', NULL, '3', NULL, NULL),
    (1010, now() - interval 6655 minute, NULL, 'Naveen Varma', 'naveen.varma50@mail.example.com', NULL, 'Revaluation status', 'I applied for revaluation two months ago and have not received any reply. Kindly tell me the status.', 'Student', 'W', '8314451087', '003', NULL, NULL, '3', NULL, NULL),
    (1011, now() - interval 6633 minute, NULL, 'Sneha Reddy', 'sneha.reddy98@mail.example.com', 'sneha490@alt.example.org', 'Transfer certificate', 'I need to know the procedure to get the migration certificate after changing university.', 'Student', 'W', '9902636060', '041', '', NULL, '3', NULL, NULL),
    (1012, now() - interval 6484 minute, 'C310', 'Office, Lakeside College of Commerce', 'c310@colleges.example.edu', NULL, 'Login problem for college account', 'The college login is locked after password reset. Kindly unlock it.', 'College', 'W', '8269169365', '041', NULL, NULL, '3', NULL, NULL),
    (1013, now() - interval 6426 minute, NULL, 'Ravi Kumar', 'ravi.kumar11@mail.example.com', NULL, 'Result withheld', 'My result for the last semester shows as withheld. I have cleared all dues. Please release the result.', 'Student', 'W', '9990275522', '041', '', NULL, '3', NULL, NULL),
    (1014, now() - interval 6377 minute, NULL, 'Aarav Reddy', 'aarav.reddy76@mail.example.com', 'aarav290@alt.example.org', 'Revaluation status', 'I applied for revaluation two months ago and have not received any reply. Kindly tell me the status.', 'Student', 'W', '8484428092', '041', 'A', NULL, '3', NULL, NULL),
    (1015, now() - interval 6317 minute, NULL, 'Swathi Shetty', 'swathi.shetty85@mail.example.com', NULL, 'Unable to make final submission', 'The application form does not allow me to edit my subjects after final submission. Please reset it.', 'Student', 'W', '8395876787', '023', NULL, NULL, '3', NULL, NULL),
    (1016, now() - interval 6278 minute, '1102', 'Principal, St. Ann''s College for Women', 'c102@colleges.example.edu', NULL, 'Login problem for college account', 'The college login is locked after password reset. Kindly unlock it.', 'College', 'W', '7857961334', '003', NULL, NULL, '3', NULL, NULL),
    (1017, now() - interval 6197 minute, NULL, 'Sneha Menon', 'sneha.menon83@mail.example.com', NULL, 'Fee paid but status pending', 'The fee has been debited from my account but the portal still shows payment pending.', 'Student', 'W', '8643903481', '041', NULL, NULL, '3', NULL, NULL),
    (1018, now() - interval 6185 minute, '003202216994', 'Swathi Shetty', 'swathi.shetty88@mail.example.com', '', 'Unable to make final submission', 'The application form does not allow me to edit my subjects after final submission. Please reset it.', NULL, 'W', '7134428621', '003', NULL, NULL, '3', NULL, NULL),
    (1019, now() - interval 6042 minute, '041202493529', 'Lakshmi Reddy', 'lakshmi.reddy17@mail.example.com', NULL, 'Result withheld', 'My result for the last semester shows as withheld. I have cleared all dues. Please release the result.', 'Student', 'W', '9051617109', '041', '', NULL, '3', NULL, NULL),
    (1020, now() - interval 5944 minute, 'T014', 'Principal, Northgate Institute', 't014@colleges.example.edu', NULL, 'Change of degree for two students', 'Two students were uploaded under the wrong degree. Please move them to B.Com.', 'College', 'W', '7393455676', '041', NULL, NULL, '3', NULL, NULL),
    (1021, now() - interval 5918 minute, '041202371398', 'Kiran Menon', 'kiran.menon52@mail.example.com', 'kiran307@alt.example.org', 'Unable to make final submission', 'The application form does not allow me to edit my subjects after final submission. Please reset it.', 'Student', 'W', '7354997544', '041', NULL, NULL, '3', NULL, NULL),
    (1022, now() - interval 5767 minute, NULL, 'Revathi Das', 'revathi.das88@mail.example.com', NULL, 'Transfer certificate', 'I need to know the procedure to get the migration certificate after changing university.', 'Student', 'W', '8157222122', '023', NULL, NULL, '3', NULL, NULL),
    (1023, now() - interval 5550 minute, NULL, 'Naveen Menon', 'naveen.menon54@mail.example.com', NULL, 'Unable to make final submission', 'The application form does not allow me to edit my subjects after final submission. Please reset it.', 'Student', 'W', '9273140390', '041', 'A', NULL, '3', NULL, NULL),
    (1024, now() - interval 5535 minute, 'T014', 'Principal, Northgate Institute', 't014@colleges.example.edu', NULL, 'Duplicate students reported', 'The import reported duplicates for students who are not in our college. Please check.', 'College', 'W', '7221003649', '042', NULL, NULL, '3', NULL, NULL),
    (1025, now() - interval 5460 minute, '041202192588', 'Naveen Reddy', 'naveen.reddy60@mail.example.com', 'naveen109@alt.example.org', 'Fee paid but status pending', 'The fee has been debited from my account but the portal still shows payment pending.', 'Student', 'W', '9681172095', '041', NULL, NULL, '3', NULL, NULL),
    (1026, now() - interval 5434 minute, NULL, 'Swathi Reddy', 'swathi.reddy61@mail.example.com', 'swathi939@alt.example.org', 'Wrong photo on application', 'The photograph uploaded on my application is not mine. Please allow me to change it.', 'Student', 'W', '7705151133', '042', NULL, NULL, '3', NULL, NULL),
    (1027, now() - interval 5312 minute, NULL, 'Pooja Iyer', 'pooja.iyer47@mail.example.com', NULL, 'Name misspelt in mark sheet', 'My name is printed wrongly in the semester mark sheet. Please correct the spelling as per my certificate.', 'Student', 'W', '9667772223', '003', NULL, NULL, '3', NULL, NULL),
    (1028, now() - interval 5196 minute, '1102', 'Principal, St. Ann''s College for Women', 'c102@colleges.example.edu', NULL, 'Login problem for college account', 'The college login is locked after password reset. Kindly unlock it.', 'College', 'W', '9164081782', '999', '', NULL, '3', NULL, NULL),
    (1029, now() - interval 5180 minute, NULL, 'Nandini Menon', 'nandini.menon8@mail.example.com', '', 'Result withheld', 'My result for the last semester shows as withheld. I have cleared all dues. Please release the result.', 'Student', 'W', '8890360475', '042', NULL, NULL, '3', NULL, NULL),
    (1030, now() - interval 5121 minute, '003202326413', 'Divya Rao', 'divya.rao10@mail.example.com', NULL, 'Fee paid but status pending', 'The fee has been debited from my account but the portal still shows payment pending.', 'Student', 'W', '7468334551', '003', NULL, NULL, '3', NULL, NULL),
    (1031, now() - interval 5041 minute, NULL, 'Deepa Bose', 'deepa.bose41@mail.example.com', '', 'Name misspelt in mark sheet', 'My name is printed wrongly in the semester mark sheet. Please correct the spelling as per my certificate.', 'Student', 'W', '8097503135', '042', NULL, NULL, '2', NULL, NULL),
    (1032, now() - interval 5012 minute, '041202440144', 'Nandini Rao', 'nandini.rao88@mail.example.com', NULL, 'Wrong photo on application', 'The photograph uploaded on my application is not mine. Please allow me to change it.', 'Student', 'W', '8603626078', '041', NULL, NULL, '2', NULL, NULL),
    (1033, now() - interval 4842 minute, '999202230998', 'Rahul Shetty', 'rahul.shetty68@mail.example.com', 'rahul591@alt.example.org', 'Fee paid but status pending', 'The fee has been debited from my account but the portal still shows payment pending.', 'Student', 'W', '9184327296', '999', NULL, NULL, '2', NULL, NULL),
    (1034, now() - interval 4675 minute, 'C205', 'Secretary, Riverside College of Science', 'c205@colleges.example.edu', NULL, 'Duplicate students reported', 'The import reported duplicates for students who are not in our college. Please check.', 'College', 'W', '9148578220', '003', NULL, NULL, '2', NULL, NULL),
    (1035, now() - interval 4669 minute, '042202271802', 'Ashok Nair', 'ashok.nair56@mail.example.com', NULL, 'Unable to make final submission', 'The application form does not allow me to edit my subjects after final submission. Please reset it.', 'Student', 'W', '8067641187', '042', 'A', NULL, '2', NULL, NULL),
    (1036, now() - interval 4488 minute, NULL, 'Meera Kumar', 'meera.kumar5@mail.example.com', NULL, 'Transfer certificate', 'I need to know the procedure to get the migration certificate after changing university.', 'Student', 'W', '8359273059', '042', '', NULL, '2', NULL, NULL),
    (1037, now() - interval 4478 minute, NULL, 'Kavya Bose', 'kavya.bose25@mail.example.com', '', 'Revaluation status', 'I applied for revaluation two months ago and have not received any reply. Kindly tell me the status.', 'Student', 'W', '8657403314', '003', '', NULL, '2', NULL, NULL),
    (1038, now() - interval 4324 minute, '1102', 'Principal, St. Ann''s College for Women', 'c102@colleges.example.edu', NULL, 'Login problem for college account', 'The college login is locked after password reset. Kindly unlock it.', 'College', 'W', '8503218237', '042', '', NULL, '2', NULL, NULL),
    (1039, now() - interval 4321 minute, '041202433148', 'Vikram Shetty', 'vikram.shetty51@mail.example.com', '', 'Unable to make final submission', 'The application form does not allow me to edit my subjects after final submission. Please reset it.', 'Student', 'W', '9792255036', '041', '', NULL, '2', NULL, NULL),
    (1040, now() - interval 4271 minute, NULL, 'Deepa Varma', 'deepa.varma30@mail.example.com', 'deepa762@alt.example.org', 'Name misspelt in mark sheet', 'My name is printed wrongly in the semester mark sheet. Please correct the spelling as per my certificate.', NULL, 'W', '7328245072', '041', NULL, NULL, '2', NULL, NULL),
    (1041, now() - interval 4262 minute, NULL, 'Vikram Rao', 'vikram.rao65@mail.example.com', NULL, 'Name misspelt in mark sheet', 'My name is printed wrongly in the semester mark sheet. Please correct the spelling as per my certificate.', 'Student', 'W', '7330370024', '042', NULL, NULL, '2', NULL, NULL),
    (1042, now() - interval 4257 minute, 'C205', 'Secretary, Riverside College of Science', 'c205@colleges.example.edu', NULL, 'Student list upload failed', 'Our sheet of first-year students was rejected. Please tell us the correct format of the workbook.', 'College', 'W', '7664645962', '041', '', NULL, '2', NULL, NULL),
    (1043, now() - interval 4133 minute, NULL, 'Kavya Das', 'kavya.das8@mail.example.com', '', 'Fee paid but status pending', 'The fee has been debited from my account but the portal still shows payment pending.', 'Student', 'W', '7004824465', '041', '', NULL, '2', NULL, NULL),
    (1044, now() - interval 4036 minute, '041202172600', 'Divya Raman', 'divya.raman92@mail.example.com', '', 'Transfer certificate', 'I need to know the procedure to get the migration certificate after changing university.', 'Student', 'W', '9694644762', '041', 'A', NULL, '2', NULL, NULL),
    (1045, now() - interval 3995 minute, NULL, 'Sneha Bose', 'sneha.bose14@mail.example.com', '', 'Unable to make final submission', 'The application form does not allow me to edit my subjects after final submission. Please reset it.', 'Student', 'W', '8197765028', '042', NULL, NULL, '2', NULL, NULL),
    (1046, now() - interval 3809 minute, '1102', 'Principal, St. Ann''s College for Women', 'c102@colleges.example.edu', NULL, 'Change of degree for two students', 'Two students were uploaded under the wrong degree. Please move them to B.Com.', '1102', 'W', '7489414092', '041', '', NULL, '2', NULL, NULL),
    (1047, now() - interval 3741 minute, NULL, 'Deepa Das', 'deepa.das19@mail.example.com', NULL, 'Hall ticket not received', 'I have paid the examination fee on time but my hall ticket is not yet available on the portal. Kindly help.', 'Student', 'W', '9731021601', '003', NULL, NULL, '2', NULL, NULL),
    (1048, now() - interval 3591 minute, NULL, 'Divya Raman', 'divya.raman85@mail.example.com', NULL, 'Wrong photo on application', 'The photograph uploaded on my application is not mine. Please allow me to change it.', 'Student', 'W', '7202054530', '041', NULL, NULL, '2', NULL, NULL),
    (1049, now() - interval 3281 minute, NULL, 'Ganesh Das', 'ganesh.das35@mail.example.com', NULL, 'Hall ticket not received', 'I have paid the examination fee on time but my hall ticket is not yet available on the portal. Kindly help.', 'Student', 'W', '7911270991', '041', NULL, NULL, '2', NULL, NULL),
    (1050, now() - interval 2986 minute, '1101', 'Principal, Hillview Arts College', 'c101@colleges.example.edu', NULL, 'Change of degree for two students', 'Two students were uploaded under the wrong degree. Please move them to B.Com.', '1101', 'W', '7723165783', '003', NULL, NULL, '2', NULL, NULL),
    (1051, now() - interval 2952 minute, NULL, 'Karthik Nair', 'karthik.nair65@mail.example.com', '', 'Transfer certificate', 'I need to know the procedure to get the migration certificate after changing university.', 'Student', 'W', '8443512128', '999', NULL, NULL, '2', NULL, NULL),
    (1052, now() - interval 2928 minute, '003202129790', 'Kavya Kumar', 'kavya.kumar98@mail.example.com', '', 'Wrong photo on application', 'The photograph uploaded on my application is not mine. Please allow me to change it.', 'Student', 'W', '7644742867', '003', NULL, NULL, '2', NULL, NULL),
    (1053, now() - interval 2776 minute, '041202347834', 'Vikram Das', 'vikram.das70@mail.example.com', NULL, 'Wrong photo on application', 'The photograph uploaded on my application is not mine. Please allow me to change it.', 'Student', 'W', '9227387670', '041', 'A', NULL, '2', NULL, NULL),
    (1054, now() - interval 2673 minute, 'C205', 'Secretary, Riverside College of Science', 'c205@colleges.example.edu', NULL, 'Duplicate students reported', 'The import reported duplicates for students who are not in our college. Please check.', 'C205', 'W', '8613293118', '042', NULL, NULL, '2', NULL, NULL),
    (1055, now() - interval 2661 minute, NULL, 'Priya Das', 'priya.das59@mail.example.com', '', 'Fee paid but status pending', 'The fee has been debited from my account but the portal still shows payment pending.', 'Student', 'W', '8072010474', '042', NULL, NULL, '2', NULL, NULL),
    (1056, now() - interval 2614 minute, NULL, 'Arjun Menon', 'arjun.menon13@mail.example.com', NULL, 'Fee paid but status pending', 'The fee has been debited from my account but the portal still shows payment pending.', 'Student', 'W', '9210135910', '041', NULL, NULL, '2', NULL, NULL),
    (1057, now() - interval 2605 minute, '041202180622', 'Rahul Kumar', 'rahul.kumar32@mail.example.com', NULL, 'Transfer certificate', 'I need to know the procedure to get the migration certificate after changing university.', 'Student', 'W', '7661826853', '041', NULL, NULL, '2', NULL, NULL),
    (1058, now() - interval 2595 minute, '1101', 'Principal, Hillview Arts College', 'c101@colleges.example.edu', NULL, 'Login problem for college account', 'The college login is locked after password reset. Kindly unlock it.', 'College', 'W', '9270973641', '041', NULL, NULL, '2', NULL, NULL),
    (1059, now() - interval 2203 minute, '041202125853', 'Ganesh Iyer', 'ganesh.iyer60@mail.example.com', 'ganesh107@alt.example.org', 'Result withheld', 'My result for the last semester shows as withheld. I have cleared all dues. Please release the result.', 'Student', 'W', '9263250907', '041', '', NULL, '2', NULL, NULL),
    (1060, now() - interval 2197 minute, NULL, 'Lakshmi Menon', 'lakshmi.menon41@mail.example.com', 'lakshmi103@alt.example.org', 'Name misspelt in mark sheet', 'My name is printed wrongly in the semester mark sheet. Please correct the spelling as per my certificate.', 'Student', 'W', '7929067984', '041', NULL, NULL, '2', NULL, NULL),
    (1061, now() - interval 1981 minute, NULL, 'Naveen Raman', 'naveen.raman71@mail.example.com', 'naveen482@alt.example.org', 'Fee paid but status pending', 'The fee has been debited from my account but the portal still shows payment pending.', 'Student', 'W', '9120584233', '041', '', NULL, '1', NULL, NULL),
    (1062, now() - interval 1921 minute, '023202348530', 'Lakshmi Iyer', 'lakshmi.iyer55@mail.example.com', '', 'Wrong photo on application', 'The photograph uploaded on my application is not mine. Please allow me to change it.', 'Student', 'W', '7298426259', '023', NULL, NULL, '1', NULL, NULL),
    (1063, now() - interval 1882 minute, '041202449602', 'Kiran Iyer', 'kiran.iyer33@mail.example.com', NULL, 'Unable to make final submission', 'The application form does not allow me to edit my subjects after final submission. Please reset it.', 'Student', 'W', '7165157676', '041', '', NULL, '1', NULL, NULL),
    (1064, now() - interval 1869 minute, 'C310', 'Office, Lakeside College of Commerce', 'c310@colleges.example.edu', NULL, 'Student list upload failed', 'Our sheet of first-year students was rejected. Please tell us the correct format of the workbook.', 'C310', 'W', '9841538259', '041', NULL, NULL, '1', NULL, NULL),
    (1065, now() - interval 1744 minute, '999202449522', 'Naveen Rao', 'naveen.rao17@mail.example.com', 'naveen556@alt.example.org', 'Hall ticket not received', 'I have paid the examination fee on time but my hall ticket is not yet available on the portal. Kindly help.', 'Student', 'W', '8212443807', '999', 'A', NULL, '1', NULL, NULL),
    (1066, now() - interval 1725 minute, NULL, 'Deepa Menon', 'deepa.menon96@mail.example.com', 'deepa740@alt.example.org', 'Unable to make final submission', 'The application form does not allow me to edit my subjects after final submission. Please reset it.', 'Student', 'W', '7247431875', '041', '', NULL, '1', NULL, NULL),
    (1067, now() - interval 1709 minute, '999202416554', 'Ashok Bose', 'ashok.bose6@mail.example.com', 'ashok950@alt.example.org', 'Name misspelt in mark sheet', 'My name is printed wrongly in the semester mark sheet. Please correct the spelling as per my certificate.', 'Student', 'W', '8336043071', '999', '', NULL, '1', NULL, NULL),
    (1068, now() - interval 1707 minute, '1101', 'Principal, Hillview Arts College', 'c101@colleges.example.edu', NULL, 'Duplicate students reported', 'The import reported duplicates for students who are not in our college. Please check.', 'College', 'W', '9367237678', '003', NULL, NULL, '1', NULL, NULL),
    (1069, now() - interval 1699 minute, '041202245463', 'Divya Shetty', 'divya.shetty17@mail.example.com', '', 'Wrong photo on application', 'The photograph uploaded on my application is not mine. Please allow me to change it.', 'Student', 'W', '7814232126', '041', '', NULL, '1', NULL, NULL),
    (1070, now() - interval 1592 minute, '042202261875', 'Pooja Raman', 'pooja.raman35@mail.example.com', 'pooja468@alt.example.org', 'Transfer certificate', 'I need to know the procedure to get the migration certificate after changing university.', 'Student', 'W', '7706341769', '042', NULL, NULL, '1', NULL, NULL),
    (1071, now() - interval 1520 minute, '041202147009', 'Revathi Menon', 'revathi.menon16@mail.example.com', 'revathi489@alt.example.org', 'Wrong photo on application', 'The photograph uploaded on my application is not mine. Please allow me to change it.', 'Student', 'W', '8339877420', '041', NULL, NULL, '1', NULL, NULL),
    (1072, now() - interval 1466 minute, 'C205', 'Secretary, Riverside College of Science', 'c205@colleges.example.edu', NULL, 'Student list upload failed', 'Our sheet of first-year students was rejected. Please tell us the correct format of the workbook.', 'College', 'W', '7427945484', '042', NULL, NULL, '1', NULL, NULL),
    (1073, now() - interval 1445 minute, NULL, 'Ganesh Rao', 'ganesh.rao98@mail.example.com', '', 'Fee paid but status pending', 'The fee has been debited from my account but the portal still shows payment pending.', 'Student', 'W', '7743310052', '003', '', NULL, '1', NULL, NULL),
    (1074, now() - interval 1373 minute, NULL, 'Aarav Das', 'aarav.das99@mail.example.com', '', 'Transfer certificate', 'I need to know the procedure to get the migration certificate after changing university.', 'Student', 'W', '9033115111', '041', 'A', NULL, '1', NULL, NULL),
    (1075, now() - interval 1342 minute, NULL, 'Suresh Kumar', 'suresh.kumar43@mail.example.com', 'suresh412@alt.example.org', 'Result withheld', 'My result for the last semester shows as withheld. I have cleared all dues. Please release the result.', 'Student', 'W', '8321396880', '042', NULL, NULL, '1', NULL, NULL),
    (1076, now() - interval 1330 minute, 'T014', 'Principal, Northgate Institute', 't014@colleges.example.edu', NULL, 'Login problem for college account', 'The college login is locked after password reset. Kindly unlock it.', 'College', 'W', '8027675167', '041', NULL, NULL, '1', NULL, NULL),
    (1077, now() - interval 1172 minute, '041202366666', 'Karthik Rao', 'karthik.rao91@mail.example.com', '', 'Fee paid but status pending', 'The fee has been debited from my account but the portal still shows payment pending.', 'Student', 'W', '9305223223', '041', '', NULL, '1', NULL, NULL),
    (1078, now() - interval 1094 minute, NULL, 'Divya Nair', 'divya.nair99@mail.example.com', 'divya971@alt.example.org', 'Wrong photo on application', 'The photograph uploaded on my application is not mine. Please allow me to change it.', 'Student', 'W', '9090702637', '003', NULL, NULL, '1', NULL, NULL),
    (1079, now() - interval 1009 minute, '042202352087', 'Vikram Menon', 'vikram.menon7@mail.example.com', '', 'Transfer certificate', 'I need to know the procedure to get the migration certificate after changing university.', 'Student', 'W', '9839372896', '042', '', NULL, '1', NULL, NULL),
    (1080, now() - interval 859 minute, 'C205', 'Secretary, Riverside College of Science', 'c205@colleges.example.edu', NULL, 'Login problem for college account', 'The college login is locked after password reset. Kindly unlock it.', 'C205', 'W', '7978341070', '041', NULL, NULL, '1', NULL, NULL),
    (1081, now() - interval 763 minute, NULL, 'Lakshmi Kumar', 'lakshmi.kumar58@mail.example.com', 'lakshmi688@alt.example.org', 'Wrong photo on application', 'The photograph uploaded on my application is not mine. Please allow me to change it.', 'Student', 'W', '7629111640', '041', '', NULL, '1', NULL, NULL),
    (1082, now() - interval 746 minute, '041202333586', 'Ganesh Shetty', 'ganesh.shetty68@mail.example.com', 'ganesh773@alt.example.org', 'Name misspelt in mark sheet', 'My name is printed wrongly in the semester mark sheet. Please correct the spelling as per my certificate.', 'Student', 'W', '8812095845', '041', NULL, NULL, '1', NULL, NULL),
    (1083, now() - interval 660 minute, NULL, 'Priya Raman', 'priya.raman7@mail.example.com', 'priya150@alt.example.org', 'Fee paid but status pending', 'The fee has been debited from my account but the portal still shows payment pending.', 'Student', 'W', '7074488432', '041', 'A', NULL, '1', NULL, NULL),
    (1084, now() - interval 490 minute, '1101', 'Principal, Hillview Arts College', 'c101@colleges.example.edu', NULL, 'Duplicate students reported', 'The import reported duplicates for students who are not in our college. Please check.', '1101', 'W', '7071883806', '042', '', NULL, '1', NULL, NULL),
    (1085, now() - interval 474 minute, NULL, 'Naveen Das', 'naveen.das60@mail.example.com', '', 'Transfer certificate', 'I need to know the procedure to get the migration certificate after changing university.', 'Student', 'W', '7421416345', '042', NULL, NULL, '1', NULL, NULL),
    (1086, now() - interval 450 minute, '003202356839', 'Deepa Bose', 'deepa.bose4@mail.example.com', NULL, 'Hall ticket not received', 'I have paid the examination fee on time but my hall ticket is not yet available on the portal. Kindly help.', 'Student', 'W', '7881999275', '003', '', NULL, '1', NULL, NULL),
    (1087, now() - interval 428 minute, NULL, 'Kavya Rao', 'kavya.rao1@mail.example.com', NULL, 'Unable to make final submission', 'The application form does not allow me to edit my subjects after final submission. Please reset it.', 'Student', 'W', '7270411296', '023', NULL, NULL, '1', NULL, NULL),
    (1088, now() - interval 373 minute, '1101', 'Principal, Hillview Arts College', 'c101@colleges.example.edu', NULL, 'Exam centre allotment', 'Our PG students have been allotted a centre 60 km away. Please review the allotment.', 'College', 'W', '8409502483', '003', NULL, NULL, '1', NULL, NULL),
    (1089, now() - interval 150 minute, '999202126679', 'Naveen Raman', 'naveen.raman82@mail.example.com', '', 'Transfer certificate', 'I need to know the procedure to get the migration certificate after changing university.', 'Student', 'W', '8851779460', '999', NULL, NULL, '1', NULL, NULL),
    (1090, now() - interval 137 minute, NULL, 'Naveen Pillai', 'naveen.pillai24@mail.example.com', NULL, 'Fee paid but status pending', 'The fee has been debited from my account but the portal still shows payment pending.', 'Student', 'W', '8892710891', '003', NULL, NULL, '1', NULL, NULL),
    (1091, now() - interval 1911 minute, NULL, 'Suresh Iyer', 'suresh.iyer18@mail.example.com', '', 'Transfer certificate', 'I need to know the procedure to get the migration certificate after changing university.', 'Student', 'W', '8677015829', '041', 'C', NULL, '3', 'DESK31', now() - interval 1 hour),
    (1092, now() - interval 1779 minute, 'T014', 'Principal, Northgate Institute', 't014@colleges.example.edu', NULL, 'Exam centre allotment', 'Our PG students have been allotted a centre 60 km away. Please review the allotment.', 'College', 'W', '9474544489', '041', 'C', NULL, '3', 'DESK31', now() - interval 1 hour),
    (1093, now() - interval 1589 minute, NULL, 'Karthik Rao', 'karthik.rao89@mail.example.com', NULL, 'Wrong photo on application', 'The photograph uploaded on my application is not mine. Please allow me to change it.', 'Student', 'W', '7368599094', '023', 'C', NULL, '3', 'DESK31', now() - interval 1 day),
    (1094, now() - interval 2061 minute, '1101', 'Principal, Hillview Arts College', 'c101@colleges.example.edu', NULL, 'Student list upload failed', 'Our sheet of first-year students was rejected. Please tell us the correct format of the workbook.', 'College', 'W', '7471698510', '041', 'C', NULL, '3', 'DESK31', now() - interval 1 day),
    -- Naveen Raman (1061, the first grievance the level-1 desk is handed) wrote
    -- before: from the same mobile, and with his second address in either column.
    (1095, now() - interval 20 day, NULL, 'Naveen Raman', 'naveen.raman71@mail.example.com', NULL, 'Result withheld', 'My result for the last semester shows as withheld. I have cleared all dues. Please release the result.', 'Student', 'W', '9120584233', '041', 'C', NULL, '2', 'DESK21', now() - interval 19 day),
    (1096, now() - interval 9 day, NULL, 'Naveen R', 'naveen.r@mail.example.com', 'naveen482@alt.example.org', 'Hall ticket not received', 'I have paid the examination fee on time but my hall ticket is not yet available on the portal. Kindly help.', 'Student', 'W', '9000011111', '041', 'C', NULL, '3', 'DESK31', now() - interval 8 day),
    (1097, now() - interval 3 day, NULL, 'Naveen Raman', 'naveen482@alt.example.org', NULL, 'Name misspelt in mark sheet', 'My name is printed wrongly in the semester mark sheet. Please correct the spelling as per my certificate.', 'Student', 'W', '9000022222', '041', NULL, NULL, '2', NULL, NULL),
    -- waiting at level 1 well past the overdue limit
    (1098, now() - interval 5000 minute, NULL, 'Arjun Menon', 'arjun.menon4@mail.example.com', NULL, 'Revaluation status', 'I applied for revaluation two months ago and have not received any reply. Kindly tell me the status.', 'Student', 'W', '9123400001', '041', NULL, NULL, '1', NULL, NULL);

INSERT INTO tktdetl (ftktid, ftkttrandate, ffromuser, ftkttranto, ftkttrancc, ftkttransub, ftkttranfile, ftkttrangroup, ftkttranmsg)
SELECT ftktid, ffinaldate, ffinaluser, ftktemail, '', concat('Re: ', ftktsub), NULL, 'XX',
       'Dear Student,<br><br>Your grievance has been attended to.<br><br>Regards,<br>Help Desk<br>Tessaly Central University'
FROM tkthead WHERE ftktstatus = 'C';

-- Reply templates: placeholders {student}, {number} and {university} are
-- filled in when one is chosen in the reply window. The reply adds its own
-- salutation and signature, so the texts have none.
INSERT INTO masreply (freplyname, freplytext, funivcode) VALUES
    ('Hall ticket not received', 'Your hall ticket for grievance {number} is now available on the {university} portal. Log in with your registration number and download it; carry a printed copy and a photo identity card to the examination hall.', NULL),
    ('Result withheld', 'Your result was withheld because the fee receipt had not reached the examination branch. It has now been verified and the result will be released within three working days.', NULL),
    ('Final submission reset', 'Your final submission has been reset as requested in grievance {number}. Log in, make the corrections and submit the application once again before the last date.', '041'),
    ('Fee paid, status pending', 'Thank you, {student}: the payment gateway confirms your fee. The status on the {university} portal is updated every evening; please check again tomorrow and quote grievance {number} if it still shows pending.', NULL);

-- 1061 came down from level 3 through level 2, with the remarks of each.
INSERT INTO tktdetl (ftktid, ftkttrandate, ffromuser, ftkttranto, ftkttrancc, ftkttransub, ftkttranfile, ftkttrangroup, ftkttranmsg) VALUES
    (1061, now() - interval 1500 minute, 'DESK31', NULL, NULL, NULL, NULL, '2', 'Fee refund not received for the cancelled supplementary examination; the student has sent the bank statement twice. The admissions section holds the refund register, please check the payment reference and confirm.'),
    (1061, now() - interval 300 minute, 'DESK21', NULL, NULL, NULL, NULL, '1', 'Refund approved in the register but the transfer failed (account closed). Needs the controller''s approval for a fresh transfer.');

-- Six weeks of older traffic for the supervisor's view: 900 grievances, one
-- every 64 minutes or so, most replied at the front desk, some forwarded once
-- or twice before the reply, a few still open; the times to act vary by
-- university and level. Actions that would fall after now are not taken yet.
CREATE TEMPORARY TABLE demo_plan AS
SELECT seq + 3000 AS id,
       now() - interval ((900 - seq) * 64 + (seq * 37) % 50) minute AS raised,
       elt(1 + seq % 5, '041', '042', '003', '023', '999') AS univ,
       seq % 10 AS kind,
       (1 + (seq * 13) % 20 + (seq % 5) * 4) * 60 AS m1,
       (2 + (seq * 17) % 40) * 60 AS m2,
       (3 + (seq * 11) % 70) * 60 AS m3,
       elt(1 + seq % 2, 'DESK31', 'DESK32') AS u3,
       elt(1 + seq % 3, 'DESK11', 'ADMIN', 'DESK11') AS u1
FROM seq_1_to_900;
CREATE TEMPORARY TABLE demo_steps AS
SELECT id, raised, univ, kind, u3, u1,
       if(kind in (6, 7, 8) and raised + interval m1 minute <= now(), raised + interval m1 minute, null) AS f1,
       if(kind = 8 and raised + interval (m1 + m2) minute <= now(), raised + interval (m1 + m2) minute, null) AS f2,
       case when kind < 6 then raised + interval m1 minute
            when kind in (6, 7) then raised + interval (m1 + m2) minute
            when kind = 8 and id % 3 <> 0 then raised + interval (m1 + m2 + m3) minute end AS replied
FROM demo_plan;
UPDATE demo_steps SET replied = null WHERE replied > now();

INSERT INTO tkthead (ftktid, ftktdate, ftktfrom, ftktemail, ftktsub, ftktmsg, ftktuser, ftktmode, ftktmobile,
                     funivcode, ftktstatus, ftktgroup, ffinaluser, ffinaldate)
SELECT id, raised, concat('Student ', id), concat('student', id, '@mail.example.com'),
       elt(1 + id % 4, 'Result withheld', 'Hall ticket not received', 'Revaluation status', 'Fee paid but status pending'),
       'Generated for the supervisor''s view.', 'Student', 'W', concat('70000', id), univ,
       if(replied is null, null, 'C'), if(f2 is not null, '1', if(f1 is not null, '2', '3')),
       if(replied is null, null, if(f2 is not null, u1, if(f1 is not null, 'DESK21', u3))), replied
FROM demo_steps;

INSERT INTO tktdetl (ftktid, ftkttrandate, ffromuser, ftkttrangroup, ftkttranmsg)
SELECT id, f1, u3, '2', 'Needs the admissions section.' FROM demo_steps WHERE f1 is not null
UNION ALL SELECT id, f2, 'DESK21', '1', 'Needs the controller.' FROM demo_steps WHERE f2 is not null;

INSERT INTO tktdetl (ftktid, ftkttrandate, ffromuser, ftkttranto, ftkttrancc, ftkttransub, ftkttranfile, ftkttrangroup, ftkttranmsg)
SELECT s.id, s.replied, h.ffinaluser, h.ftktemail, '', concat('Re: ', h.ftktsub), NULL, 'XX',
       '<html><body><p>Dear Student,</p><p>Your grievance has been attended to.</p></body></html>'
FROM demo_steps s JOIN tkthead h ON h.ftktid = s.id WHERE s.replied is not null;
DROP TEMPORARY TABLE demo_plan, demo_steps;


-- ---------------------------------------------------------------- corvane3_tsc
USE corvane3_tsc;

INSERT INTO college (fcollcode, fcollname, ftown, femail, fconst, fmobile, fphone, fpgthcntrmba, fdeleted, ffaculty) VALUES
    ('1101', 'Hillview Arts College', 'Tessaly', 'c101@colleges.example.edu', 'Const-10', '9443010000', '0412-2240000', '1103', NULL, 'PG Arts'),
    ('1102', 'St. Ann''s College for Women', 'Marwick', 'c102@colleges.example.edu', 'Const-11', '9443010137', '0412-2240311', NULL, NULL, 'UG Arts and Science'),
    ('1103', 'Riverside College of Science', 'Eastport', 'c103@colleges.example.edu', 'Const-12', '9443010274', '0412-2240622', '1106', NULL, 'PG Science'),
    ('1104', 'Lakeside College of Commerce', 'Kelford', 'c104@colleges.example.edu', 'Const-13', '9443010411', '0412-2240933', NULL, NULL, 'UG Arts and Science'),
    ('1105', 'Government College', 'Brandon', 'c105@colleges.example.edu', 'Const-14', '9443010548', '0412-2241244', NULL, NULL, 'UG Arts and Science'),
    ('1106', 'Northgate Institute of Management', 'Tessaly', 'c106@colleges.example.edu', 'Const-15', '9443010685', '0412-2241555', '1106', NULL, 'PG Science'),
    ('1107', 'Sacred Heart College', 'Marwick', 'c107@colleges.example.edu', 'Const-16', '9443010822', '0412-2241866', '1101', NULL, 'PG Arts'),
    ('1108', 'Valley Engineering College', 'Eastport', 'c108@colleges.example.edu', 'Const-17', '9443010959', '0412-2242177', NULL, 'T', 'UG Arts and Science');

INSERT INTO degree (fdegree, fdescpn) VALUES
    ('BA', 'Bachelor of Arts'), ('BSC', 'Bachelor of Science'), ('BCOM', 'Bachelor of Commerce'),
    ('MA', 'Master of Arts'), ('MSC', 'Master of Science'), ('MBA', 'Master of Business Administration');

INSERT INTO subject (fdegree, fexamno, fsubcode, fsubshort) VALUES
    ('BA', 'A', 'BA01', 'ENG'), ('BA', 'A', 'BA02', 'HIS'), ('BA', 'A', 'BA03', 'ECO'), ('BA', 'A', 'BA04', 'POL'),
    ('BSC', 'A', 'BS01', 'ENG'), ('BSC', 'A', 'BS02', 'PHY'), ('BSC', 'A', 'BS03', 'CHE'), ('BSC', 'A', 'BS04', 'MAT'),
    ('BCOM', 'A', 'BC01', 'ENG'), ('BCOM', 'A', 'BC02', 'ACC'), ('BCOM', 'A', 'BC03', 'BST'), ('BCOM', 'A', 'BC04', 'ECO'),
    ('MA', 'A', 'MA01', 'LIT'), ('MA', 'A', 'MA02', 'CRT'),
    ('MSC', 'A', 'MS01', 'ALG'), ('MSC', 'A', 'MS02', 'ANL'),
    ('MBA', 'A', 'MB01', 'MGT'), ('MBA', 'A', 'MB02', 'FIN');

INSERT INTO masdoc (fdegree, ffilename) VALUES
    ('BA', 'Photo'), ('BA', 'Signature'), ('BA', 'Transfer Certificate'),
    ('BSC', 'Photo'), ('BSC', 'Signature'), ('BSC', 'Transfer Certificate'),
    ('BCOM', 'Photo'), ('BCOM', 'Signature'), ('BCOM', 'Transfer Certificate'),
    ('MA', 'Photo'), ('MA', 'Signature'), ('MA', 'Degree Certificate'),
    ('MSC', 'Photo'), ('MSC', 'Signature'), ('MSC', 'Degree Certificate'),
    ('MBA', 'Photo'), ('MBA', 'Signature'), ('MBA', 'Degree Certificate');

INSERT INTO examcntr (fcollcode, fcollname, fcentre) VALUES
    ('1101', 'Hillview Arts College', 'Centre 01'),
    ('1103', 'Riverside College of Science', 'Centre 02'),
    ('1106', 'Northgate Institute of Management', 'Centre 03'),
    ('1104', '', 'Centre 04');

INSERT INTO collstud (fslno, fcollcode, fdegree, fmobileno, femail, fname, fimpdate) VALUES
    ('1', '1101', 'BA',   '9840012345', 'anitha.raman@mail.example.com',  'Anitha Raman',  now() - interval 20 day),
    ('2', '1101', 'BA',   '9840023456', 'karthik.nair@mail.example.com',  'Karthik Nair',  now() - interval 20 day),
    ('3', '1102', 'BCOM', '9840034567', 'swathi.rao@mail.example.com',    'Swathi Rao',    now() - interval 15 day),
    ('4', '1102', 'BCOM', '9840045678', 'ganesh.das@mail.example.com',    'Ganesh Das',    now() - interval 15 day),
    ('5', '1103', 'BSC',  '9840056789', 'meera.menon@mail.example.com',   'Meera Menon',   now() - interval 10 day),
    ('6', '1103', 'BSC',  '9840067890', 'ravi.kumar@mail.example.com',    'Ravi Kumar',    now() - interval 10 day);

-- One application submitted but not verified (a reply may reopen it), one
-- verified, one not yet submitted.
INSERT INTO studadm (internal_code, fslno, fcollcode, fdegree, fexamno, fcombcode, fname, ffatname, fmotname, fgender,
                     fcaste, femail, fcontact_no, ftotfee, fappno, fappstatus, ffinsub, fcreatedate, fcreateuser,
                     fackuser, fackdate, fxlsintno, fblood_group, fadmdate, freligion, fconstype, fcatbirth, farea) VALUES
    (1, '0001', '1101', 'BA', 'A', 'GEN', 'Anitha Raman', 'Raman K', 'Lalitha R', 'Female', 'CAT-I',
     'anitha.raman@mail.example.com', '9840012345', 12500.00, '5231', NULL, 'T', now() - interval 19 day, 'PORTAL',
     NULL, NULL, NULL, 'B+', date_format(now() - interval 19 day, '%Y-%m-%d'), 'Others', 'No', '.', 'Urban'),
    (2, '0002', '1101', 'BA', 'A', 'GEN', 'Karthik Nair', 'Suresh Nair', 'Deepa S', 'Male', 'CAT-II',
     'karthik.nair@mail.example.com', '9840023456', 12500.00, '5232', 'verified', 'T', now() - interval 18 day, 'PORTAL',
     'DESK21', now() - interval 17 day, NULL, 'O+', date_format(now() - interval 18 day, '%Y-%m-%d'), 'Others', 'No', '.', 'Rural'),
    (3, '0001', '1102', 'BCOM', 'A', 'GEN', 'Swathi Rao', 'Mohan Rao', 'Kavya M', 'Female', 'CAT-I',
     'swathi.rao@mail.example.com', '9840034567', 14000.00, '5233', NULL, 'F', now() - interval 14 day, 'PORTAL',
     NULL, NULL, NULL, 'A+', date_format(now() - interval 14 day, '%Y-%m-%d'), 'Others', 'No', '.', 'Rural');

INSERT INTO options (fdegree, fexamno, fcollcode, fslno, fsubcode, fappno) VALUES
    ('BA', 'A', '1101', '0001', 'BA01', '5231'), ('BA', 'A', '1101', '0001', 'BA02', '5231'),
    ('BA', 'A', '1101', '0002', 'BA01', '5232'), ('BA', 'A', '1101', '0002', 'BA03', '5232'),
    ('BCOM', 'A', '1102', '0001', 'BC01', '5233'), ('BCOM', 'A', '1102', '0001', 'BC02', '5233');

INSERT INTO studoc (app_no, login_cnt, fdegree, fcollcode, fdoctype) VALUES
    ('0001', '5231', 'BA', '1101', 'Photo'), ('0001', '5231', 'BA', '1101', 'Signature'),
    ('0002', '5232', 'BA', '1101', 'Photo'), ('0002', '5232', 'BA', '1101', 'Signature'),
    ('0001', '5233', 'BCOM', '1102', 'Photo');

INSERT INTO admfeedetl (fyear, fdegree, fexamno, fcollcode, fslno, fheadcode, famount, fappno) VALUES
    ('2018', 'BA', 'A', '1101', '0001', '01 University Total Fee', 12500.00, '5231'),
    ('2018', 'BA', 'A', '1101', '0001', '02 Fine', 0, '5231'),
    ('2018', 'BA', 'A', '1101', '0002', '01 University Total Fee', 12500.00, '5232'),
    ('2018', 'BA', 'A', '1101', '0002', '02 Fine', 0, '5232');


-- ---------------------------------------------------------------- corvane3_mar
USE corvane3_mar;

INSERT INTO college (fcollcode, fcollname, ftown, femail, fconst, fmobile, fphone, fpgthcntrmba, fdeleted, ffaculty) VALUES
    ('M101', 'Hillview Arts College', 'Marlowe', 'm101@colleges.example.edu', 'Const-10', '9443010000', '0412-2240000', NULL, NULL, 'PG Arts'),
    ('M102', 'St. Ann''s College for Women', 'Ashby', 'm102@colleges.example.edu', 'Const-11', '9443010137', '0412-2240311', NULL, NULL, 'UG Arts and Science'),
    ('M103', 'Riverside College of Science', 'Hartfield', 'm103@colleges.example.edu', 'Const-12', '9443010274', '0412-2240622', NULL, NULL, 'PG Science'),
    ('M104', 'Lakeside College of Commerce', 'Marlowe', 'm104@colleges.example.edu', 'Const-13', '9443010411', '0412-2240933', NULL, NULL, 'UG Arts and Science');

INSERT INTO degree (fdegree, fdescpn) VALUES
    ('BA', 'Bachelor of Arts'), ('BSC', 'Bachelor of Science'), ('BCOM', 'Bachelor of Commerce'),
    ('MA', 'Master of Arts'), ('MSC', 'Master of Science'), ('MBA', 'Master of Business Administration');

INSERT INTO subject (fdegree, fexamno, fsubcode, fsubshort) VALUES
    ('BA', 'A', 'BA01', 'ENG'), ('BA', 'A', 'BA02', 'HIS'), ('BA', 'A', 'BA03', 'ECO'), ('BA', 'A', 'BA04', 'POL'),
    ('BSC', 'A', 'BS01', 'ENG'), ('BSC', 'A', 'BS02', 'PHY'), ('BSC', 'A', 'BS03', 'CHE'), ('BSC', 'A', 'BS04', 'MAT'),
    ('BCOM', 'A', 'BC01', 'ENG'), ('BCOM', 'A', 'BC02', 'ACC'), ('BCOM', 'A', 'BC03', 'BST'), ('BCOM', 'A', 'BC04', 'ECO'),
    ('MA', 'A', 'MA01', 'LIT'), ('MA', 'A', 'MA02', 'CRT'),
    ('MSC', 'A', 'MS01', 'ALG'), ('MSC', 'A', 'MS02', 'ANL'),
    ('MBA', 'A', 'MB01', 'MGT'), ('MBA', 'A', 'MB02', 'FIN');

INSERT INTO masdoc (fdegree, ffilename) VALUES
    ('BA', 'Photo'), ('BA', 'Signature'), ('BA', 'Transfer Certificate'),
    ('BSC', 'Photo'), ('BSC', 'Signature'), ('BSC', 'Transfer Certificate'),
    ('BCOM', 'Photo'), ('BCOM', 'Signature'), ('BCOM', 'Transfer Certificate'),
    ('MA', 'Photo'), ('MA', 'Signature'), ('MA', 'Degree Certificate'),
    ('MSC', 'Photo'), ('MSC', 'Signature'), ('MSC', 'Degree Certificate'),
    ('MBA', 'Photo'), ('MBA', 'Signature'), ('MBA', 'Degree Certificate');

INSERT INTO examcntr (fcollcode, fcollname, fcentre) VALUES
    ('M101', 'Hillview Arts College', 'Centre 01'),
    ('M103', 'Riverside College of Science', 'Centre 02');


-- ---------------------------------------------------------------- corvane3_023
USE corvane3_023;

INSERT INTO college (fcollcode, fcollname, ftown, femail, fconst, fmobile, fphone, fpgthcntrmba, fdeleted, ffaculty) VALUES
    ('2301', 'Hillview Arts College', 'Halvern', 'h101@colleges.example.edu', 'Const-10', '9443010000', '0412-2240000', NULL, NULL, 'PG Arts'),
    ('2302', 'St. Ann''s College for Women', 'Stoneleigh', 'h102@colleges.example.edu', 'Const-11', '9443010137', '0412-2240311', NULL, NULL, 'UG Arts and Science'),
    ('2303', 'Riverside College of Science', 'Wexham', 'h103@colleges.example.edu', 'Const-12', '9443010274', '0412-2240622', NULL, NULL, 'PG Science'),
    ('2304', 'Lakeside College of Commerce', 'Halvern', 'h104@colleges.example.edu', 'Const-13', '9443010411', '0412-2240933', NULL, NULL, 'UG Arts and Science');

INSERT INTO degree (fdegree, fdescpn) VALUES
    ('BA', 'Bachelor of Arts'), ('BSC', 'Bachelor of Science'), ('BCOM', 'Bachelor of Commerce'),
    ('MA', 'Master of Arts'), ('MSC', 'Master of Science'), ('MBA', 'Master of Business Administration');

INSERT INTO subject (fdegree, fexamno, fsubcode, fsubshort) VALUES
    ('BA', 'A', 'BA01', 'ENG'), ('BA', 'A', 'BA02', 'HIS'), ('BA', 'A', 'BA03', 'ECO'), ('BA', 'A', 'BA04', 'POL'),
    ('BSC', 'A', 'BS01', 'ENG'), ('BSC', 'A', 'BS02', 'PHY'), ('BSC', 'A', 'BS03', 'CHE'), ('BSC', 'A', 'BS04', 'MAT'),
    ('BCOM', 'A', 'BC01', 'ENG'), ('BCOM', 'A', 'BC02', 'ACC'), ('BCOM', 'A', 'BC03', 'BST'), ('BCOM', 'A', 'BC04', 'ECO'),
    ('MA', 'A', 'MA01', 'LIT'), ('MA', 'A', 'MA02', 'CRT'),
    ('MSC', 'A', 'MS01', 'ALG'), ('MSC', 'A', 'MS02', 'ANL'),
    ('MBA', 'A', 'MB01', 'MGT'), ('MBA', 'A', 'MB02', 'FIN');

INSERT INTO masdoc (fdegree, ffilename) VALUES
    ('BA', 'Photo'), ('BA', 'Signature'), ('BA', 'Transfer Certificate'),
    ('BSC', 'Photo'), ('BSC', 'Signature'), ('BSC', 'Transfer Certificate'),
    ('BCOM', 'Photo'), ('BCOM', 'Signature'), ('BCOM', 'Transfer Certificate'),
    ('MA', 'Photo'), ('MA', 'Signature'), ('MA', 'Degree Certificate'),
    ('MSC', 'Photo'), ('MSC', 'Signature'), ('MSC', 'Degree Certificate'),
    ('MBA', 'Photo'), ('MBA', 'Signature'), ('MBA', 'Degree Certificate');

INSERT INTO examcntr (fcollcode, fcollname, fcentre) VALUES
    ('2301', 'Hillview Arts College', 'Centre 01'),
    ('2303', 'Riverside College of Science', 'Centre 02');

INSERT INTO collstud (fslno, fcollcode, fdegree, fmobileno, femail, fname, fimpdate) VALUES
    ('1', '2301', 'BA', '9790011122', 'latha.p@mail.example.com', 'Latha P', now() - interval 5 day);


-- ---------------------------------------------------------------- corvane3_tnu
USE corvane3_tnu;

INSERT INTO college (fcollcode, fcollname, ftown, femail, fconst, fmobile, fphone, fpgthcntrmba, fdeleted, ffaculty) VALUES
    ('N101', 'Hillview Arts College', 'Northwick', 'n101@colleges.example.edu', 'Const-10', '9443010000', '0412-2240000', NULL, NULL, 'PG Arts'),
    ('N102', 'St. Ann''s College for Women', 'Tessaly North', 'n102@colleges.example.edu', 'Const-11', '9443010137', '0412-2240311', NULL, NULL, 'UG Arts and Science'),
    ('N103', 'Riverside College of Science', 'Crane', 'n103@colleges.example.edu', 'Const-12', '9443010274', '0412-2240622', NULL, NULL, 'PG Science'),
    ('N104', 'Lakeside College of Commerce', 'Northwick', 'n104@colleges.example.edu', 'Const-13', '9443010411', '0412-2240933', NULL, NULL, 'UG Arts and Science');

INSERT INTO degree (fdegree, fdescpn) VALUES
    ('BA', 'Bachelor of Arts'), ('BSC', 'Bachelor of Science'), ('BCOM', 'Bachelor of Commerce'),
    ('MA', 'Master of Arts'), ('MSC', 'Master of Science'), ('MBA', 'Master of Business Administration');

INSERT INTO subject (fdegree, fexamno, fsubcode, fsubshort) VALUES
    ('BA', 'A', 'BA01', 'ENG'), ('BA', 'A', 'BA02', 'HIS'), ('BA', 'A', 'BA03', 'ECO'), ('BA', 'A', 'BA04', 'POL'),
    ('BSC', 'A', 'BS01', 'ENG'), ('BSC', 'A', 'BS02', 'PHY'), ('BSC', 'A', 'BS03', 'CHE'), ('BSC', 'A', 'BS04', 'MAT'),
    ('BCOM', 'A', 'BC01', 'ENG'), ('BCOM', 'A', 'BC02', 'ACC'), ('BCOM', 'A', 'BC03', 'BST'), ('BCOM', 'A', 'BC04', 'ECO'),
    ('MA', 'A', 'MA01', 'LIT'), ('MA', 'A', 'MA02', 'CRT'),
    ('MSC', 'A', 'MS01', 'ALG'), ('MSC', 'A', 'MS02', 'ANL'),
    ('MBA', 'A', 'MB01', 'MGT'), ('MBA', 'A', 'MB02', 'FIN');

INSERT INTO masdoc (fdegree, ffilename) VALUES
    ('BA', 'Photo'), ('BA', 'Signature'), ('BA', 'Transfer Certificate'),
    ('BSC', 'Photo'), ('BSC', 'Signature'), ('BSC', 'Transfer Certificate'),
    ('BCOM', 'Photo'), ('BCOM', 'Signature'), ('BCOM', 'Transfer Certificate'),
    ('MA', 'Photo'), ('MA', 'Signature'), ('MA', 'Degree Certificate'),
    ('MSC', 'Photo'), ('MSC', 'Signature'), ('MSC', 'Degree Certificate'),
    ('MBA', 'Photo'), ('MBA', 'Signature'), ('MBA', 'Degree Certificate');

INSERT INTO examcntr (fcollcode, fcollname, fcentre) VALUES
    ('N101', 'Hillview Arts College', 'Centre 01'),
    ('N103', 'Riverside College of Science', 'Centre 02');


-- ---------------------------------------------------------------- corvane3_cor
USE corvane3_cor;

INSERT INTO college (fcollcode, fcollname, ftown, femail, fconst, fmobile, fphone, fpgthcntrmba, fdeleted, ffaculty) VALUES
    ('V101', 'Hillview Arts College', 'Corvane', 'v101@colleges.example.edu', 'Const-10', '9443010000', '0412-2240000', NULL, NULL, 'PG Arts'),
    ('V102', 'St. Ann''s College for Women', 'Dunmore', 'v102@colleges.example.edu', 'Const-11', '9443010137', '0412-2240311', NULL, NULL, 'UG Arts and Science'),
    ('V103', 'Riverside College of Science', 'Corvane', 'v103@colleges.example.edu', 'Const-12', '9443010274', '0412-2240622', NULL, NULL, 'PG Science'),
    ('V104', 'Lakeside College of Commerce', 'Dunmore', 'v104@colleges.example.edu', 'Const-13', '9443010411', '0412-2240933', NULL, NULL, 'UG Arts and Science');

INSERT INTO degree (fdegree, fdescpn) VALUES
    ('BA', 'Bachelor of Arts'), ('BSC', 'Bachelor of Science'), ('BCOM', 'Bachelor of Commerce'),
    ('MA', 'Master of Arts'), ('MSC', 'Master of Science'), ('MBA', 'Master of Business Administration');

INSERT INTO subject (fdegree, fexamno, fsubcode, fsubshort) VALUES
    ('BA', 'A', 'BA01', 'ENG'), ('BA', 'A', 'BA02', 'HIS'), ('BA', 'A', 'BA03', 'ECO'), ('BA', 'A', 'BA04', 'POL'),
    ('BSC', 'A', 'BS01', 'ENG'), ('BSC', 'A', 'BS02', 'PHY'), ('BSC', 'A', 'BS03', 'CHE'), ('BSC', 'A', 'BS04', 'MAT'),
    ('BCOM', 'A', 'BC01', 'ENG'), ('BCOM', 'A', 'BC02', 'ACC'), ('BCOM', 'A', 'BC03', 'BST'), ('BCOM', 'A', 'BC04', 'ECO'),
    ('MA', 'A', 'MA01', 'LIT'), ('MA', 'A', 'MA02', 'CRT'),
    ('MSC', 'A', 'MS01', 'ALG'), ('MSC', 'A', 'MS02', 'ANL'),
    ('MBA', 'A', 'MB01', 'MGT'), ('MBA', 'A', 'MB02', 'FIN');

INSERT INTO masdoc (fdegree, ffilename) VALUES
    ('BA', 'Photo'), ('BA', 'Signature'), ('BA', 'Transfer Certificate'),
    ('BSC', 'Photo'), ('BSC', 'Signature'), ('BSC', 'Transfer Certificate'),
    ('BCOM', 'Photo'), ('BCOM', 'Signature'), ('BCOM', 'Transfer Certificate'),
    ('MA', 'Photo'), ('MA', 'Signature'), ('MA', 'Degree Certificate'),
    ('MSC', 'Photo'), ('MSC', 'Signature'), ('MSC', 'Degree Certificate'),
    ('MBA', 'Photo'), ('MBA', 'Signature'), ('MBA', 'Degree Certificate');

INSERT INTO examcntr (fcollcode, fcollname, fcentre) VALUES
    ('V101', 'Hillview Arts College', 'Centre 01'),
    ('V103', 'Riverside College of Science', 'Centre 02');

